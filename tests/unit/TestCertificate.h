// A self-signed certificate for one IP address and its key, made now by
// openssl into files of their own, for a TLS server of a test's own.
#pragma once

#include <QProcess>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QSslKey>
#include <QTemporaryDir>

namespace ralu::testing {

class TestCertificate {
public:
    explicit TestCertificate(const QString &ip)
    {
        QProcess openssl;
        openssl.start(QStringLiteral("openssl"),
            { "req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes", "-days",
                "1", "-subj", "/CN=" + ip, "-addext", "subjectAltName=IP:" + ip, "-keyout", keyPath(), "-out",
                certPath() });
        if (openssl.waitForFinished(20000) && openssl.exitCode() == 0)
            m_certificate = QSslCertificate::fromPath(certPath()).value(0);
    }
    // Null when openssl made none.
    const QSslCertificate &certificate() const { return m_certificate; }
    QString certPath() const { return m_dir.filePath(QStringLiteral("cert.pem")); }
    QString keyPath() const { return m_dir.filePath(QStringLiteral("key.pem")); }
    // A server's side of TLS with them.
    QSslConfiguration server() const
    {
        QFile key(keyPath());
        key.open(QIODevice::ReadOnly);
        QSslConfiguration config = QSslConfiguration::defaultConfiguration();
        config.setLocalCertificate(m_certificate);
        config.setPrivateKey(QSslKey(&key, QSsl::Ec));
        return config;
    }

private:
    QTemporaryDir m_dir;
    QSslCertificate m_certificate;
};

} // namespace ralu::testing
