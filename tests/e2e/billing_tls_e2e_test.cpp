// The billing queries over https end to end: the demo billing server in its
// TLS mode on 127.0.0.1:8443, with a certificate made for this run, and Ralu
// started against it. What crossed lo is captured: the PIN is in no plain
// packet. A certificate Ralu does not trust gives no reply.
#include "../unit/CallEngineTestAccess.h"
#include "../unit/TestCertificate.h"
#include "../unit/qt_printers.h"
#include "E2eSupport.h"
#include "LoopbackCapture.h"
#include "account/QtHttpClient.h"

#include <QFile>
#include <QLabel>
#include <QProcess>
#include <cstdio>
#include <gtest/gtest.h>

using namespace ralu;
using namespace ralu::e2e;

namespace {

const QStringList kFarEnd { "-i", "127.0.0.1", "-p", "5070", "-mi", "127.0.0.1", "-mp", "16000", "-m", "1",
    "-rtp_echo" };
const QString kRegistered = QStringLiteral("Registered and Ready...");

// The demo billing server serving https with a certificate for 127.0.0.1
// made now, for as long as this object lives.
class TlsBillingServer {
public:
    TlsBillingServer()
    {
        endWithTest(m_server);
        m_server.start(QStringLiteral(RALU_BILLING_SERVER),
            { "--port", "8443", "--log", logPath(), "--tls-cert", m_cert.certPath(), "--tls-key",
                m_cert.keyPath() });
        m_started = m_server.waitForStarted(5000)
            && waitUntil([&] { return m_server.readAllStandardError().contains("listening"); }, 5000);
    }
    ~TlsBillingServer()
    {
        m_server.terminate();
        m_server.waitForFinished(5000);
    }
    bool started() const { return m_started && !m_cert.certificate().isNull(); }
    QSslCertificate certificate() const { return m_cert.certificate(); }
    QString logPath() const { return m_cert.certPath() + QStringLiteral(".log"); }
    // What the server logged (scripts/PROVIDER.md).
    QByteArray log() const
    {
        QFile file(logPath());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    static QString base() { return QStringLiteral("https://127.0.0.1:8443"); }

private:
    ralu::testing::TestCertificate m_cert { QStringLiteral("127.0.0.1") };
    QProcess m_server;
    bool m_started = false;
};

QString balanceLabel(Phone &phone)
{
    return phone.app().window().findChild<QLabel *>(QStringLiteral("lblBalance"))->text();
}

} // namespace

TEST(BillingTlsE2e, BalanceAndTalkTimeComeOverHttpsAndThePinIsInNoPlainPacket)
{
    TlsBillingServer server;
    ASSERT_TRUE(server.started());
    LoopbackCapture capture(QStringLiteral("tcp port 8443 or tcp port 8088"));
    ASSERT_TRUE(capture.started()) << capture.log().toStdString();
    Phone phone(QStringLiteral("1001"), QStringLiteral("demo1001"));
    phone.app().useBillingServer(TlsBillingServer::base(), { server.certificate() });
    ASSERT_TRUE(phone.start());
    EXPECT_TRUE(waitUntil([&] { return balanceLabel(phone) == QStringLiteral("Balance :12.50"); }, 3000))
        << balanceLabel(phone).toStdString();
    ASSERT_TRUE(phone.waitForStatus(kRegistered, 5000)) << phone.status().toStdString();

    Sipp farEnd(QStringLiteral("farend-answer.xml"), kFarEnd);
    pump(300);
    phone.engine().presenter().setNumberText(QStringLiteral("5551234"));
    phone.app().dialer().makeCall();
    ASSERT_TRUE(phone.waitForStatus(QStringLiteral("Connected"), 8000)) << phone.status().toStdString();
    // 3725 s is 1:02:05; the first tick counts one second off.
    EXPECT_TRUE(waitUntil(
        [&] {
            return CallEngineTestAccess::accountTimeText(phone.engine())
                == QStringLiteral("Account's Time: 01:02:04");
        },
        3000))
        << CallEngineTestAccess::accountTimeText(phone.engine()).toStdString();
    phone.app().dialer().endButton();
    ASSERT_TRUE(phone.waitForStatus(QStringLiteral("Registered and Ready.."), 5000));
    EXPECT_TRUE(farEnd.waitFinished(5000));
    pump(500); // the balance after the call

    // The server read the PINs: start-up, registration, connection (credit
    // time and balance), end.
    EXPECT_EQ(server.log().count("RALU-HTTP-IN "), 5) << server.log().toStdString();
    EXPECT_EQ(server.log().count("\r\n\r\npin=1001\nRALU-HTTP-END"), 1) << server.log().toStdString();

    // The same query in clear, beside them: the capture would show a PIN.
    LoginValues login;
    login.strAccountNumber = QStringLiteral("1001");
    QtHttpClient plainHttp;
    BillingClient plain(plainHttp, QStringLiteral("http://127.0.0.1:8088"), login);
    bool answered = false;
    plain.updateBalance([&](const std::optional<QString> &) { answered = true; });
    ASSERT_TRUE(waitUntil([&] { return answered; }, 3000));

    const QByteArray tls = capture.tcpPayload(QStringLiteral("tcp.port == 8443"));
    const QByteArray plainBytes = capture.tcpPayload(QStringLiteral("tcp.port == 8088"));
    std::printf("captured %lld bytes on 8443 (\"pin=1001\" %d times), %lld in clear on 8088 (%d times)\n",
        qint64(tls.size()), int(tls.count("pin=1001")), qint64(plainBytes.size()),
        int(plainBytes.count("pin=1001")));
    EXPECT_GT(tls.size(), 1000) << capture.log().toStdString();
    EXPECT_FALSE(tls.contains("pin=1001"));
    EXPECT_FALSE(tls.contains("showaccountbalance"));
    EXPECT_FALSE(tls.contains("GetCreditTime"));
    EXPECT_TRUE(plainBytes.contains("pin=1001"));
}

TEST(BillingTlsE2e, ACertificateTheSystemDoesNotTrustGivesNoReply)
{
    TlsBillingServer server;
    ASSERT_TRUE(server.started());
    Phone phone(QStringLiteral("1001"), QStringLiteral("demo1001"));
    phone.app().useBillingServer(TlsBillingServer::base(), {});
    ASSERT_TRUE(phone.start());
    ASSERT_TRUE(phone.waitForStatus(kRegistered, 5000)) << phone.status().toStdString();
    EXPECT_TRUE(waitUntil([&] { return server.log().count("RALU-HTTP-TLS-FAILED") >= 2; }, 3000))
        << "the start-up's and the registration's handshakes refused: " << server.log().toStdString();
    pump(300);
    EXPECT_TRUE(balanceLabel(phone).isEmpty());
    EXPECT_FALSE(server.log().contains("RALU-HTTP-IN")) << "no request left Ralu";
}
