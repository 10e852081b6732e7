#include "ServerSupport.h"

#include <QFile>
#include <QSslCertificate>
#include <QSslKey>

#include <cstdio>
#include <cstdlib>

[[noreturn]] void fail(const QByteArray &why)
{
    std::fprintf(stderr, "ralu_billing_server: %s\n", why.constData());
    std::exit(1);
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        fail("cannot read " + path.toLocal8Bit());
    return file.readAll();
}

QSslConfiguration tlsConfiguration(const QString &certPath, const QString &keyPath)
{
    const QSslCertificate cert(readFile(certPath), QSsl::Pem);
    const QByteArray keyPem = readFile(keyPath);
    QSslKey key(keyPem, QSsl::Rsa, QSsl::Pem);
    if (key.isNull())
        key = QSslKey(keyPem, QSsl::Ec, QSsl::Pem);
    if (cert.isNull() || key.isNull())
        fail("no PEM certificate in " + certPath.toLocal8Bit() + " or no key in " + keyPath.toLocal8Bit());
    QSslConfiguration config = QSslConfiguration::defaultConfiguration();
    config.setLocalCertificate(cert);
    config.setPrivateKey(key);
    return config;
}

QByteArray reasonPhrase(int code)
{
    switch (code) {
    case 200:
        return "OK";
    case 400:
        return "Bad Request";
    case 403:
        return "Forbidden";
    case 404:
        return "Not Found";
    case 500:
        return "Internal Server Error";
    case 503:
        return "Service Unavailable";
    default:
        return "Status";
    }
}

QByteArray formDecode(QByteArray value)
{
    value.replace('+', ' ');
    return QByteArray::fromPercentEncoding(value);
}

QMap<QByteArray, QByteArray> parseForm(const QByteArray &text)
{
    QMap<QByteArray, QByteArray> out;
    for (const QByteArray &pair : text.split('&')) {
        if (pair.isEmpty())
            continue;
        const int eq = pair.indexOf('=');
        const QByteArray key = formDecode(eq < 0 ? pair : pair.left(eq));
        out.insert(key, eq < 0 ? QByteArray() : formDecode(pair.mid(eq + 1)));
    }
    return out;
}
