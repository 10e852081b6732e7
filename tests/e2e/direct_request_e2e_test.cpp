// Requests that do not come through the provider: an INVITE sent straight
// to Ralu's SIP port, from another loopback address or from another port of
// the provider's own address, rings nothing, logs nothing and gets a 403 or
// no answer at all; a call through the provider still rings.
#include "../unit/qt_printers.h"
#include "E2eSupport.h"

#include <QHostAddress>
#include <QUdpSocket>
#include <gtest/gtest.h>

using namespace ralu;
using namespace ralu::e2e;

namespace {

// An INVITE (or the CANCEL of it) from the telephone number 0800SPOOF.
QByteArray directRequest(
    const QString &method, const QHostAddress &from, quint16 fromPort, int toPort, const QString &tag)
{
    const QString via = from.toString() + QLatin1Char(':') + QString::number(fromPort);
    const QByteArray sdp = "v=0\r\no=spoof 1 1 IN IP4 " + from.toString().toLatin1() + "\r\ns=-\r\nc=IN IP4 "
        + from.toString().toLatin1() + "\r\nt=0 0\r\nm=audio 18000 RTP/AVP 0\r\na=rtpmap:0 PCMU/8000\r\n";
    QString head;
    const bool invite = method == QLatin1String("INVITE");
    head += QStringLiteral("%1 sip:1001@127.0.0.1:%2 SIP/2.0\r\n").arg(method).arg(toPort);
    head += QStringLiteral("Via: SIP/2.0/UDP %1;branch=z9hG4bK-%2;rport\r\n").arg(via, tag);
    head += QStringLiteral("Max-Forwards: 70\r\n");
    head += QStringLiteral("From: <sip:0800SPOOF@%1>;tag=%2\r\n").arg(from.toString(), tag);
    head += QStringLiteral("To: <sip:1001@127.0.0.1>\r\n");
    head += QStringLiteral("Call-ID: spoof-%1@%2\r\n").arg(tag, from.toString());
    head += QStringLiteral("CSeq: 1 %1\r\n").arg(method);
    if (!invite)
        return (head + QStringLiteral("Content-Length: 0\r\n\r\n")).toLatin1();
    head += QStringLiteral("Contact: <sip:0800SPOOF@%1>\r\n").arg(via);
    head += QStringLiteral("Content-Type: application/sdp\r\n");
    head += QStringLiteral("Content-Length: %1\r\n\r\n").arg(sdp.size());
    return head.toLatin1() + sdp;
}

} // namespace

TEST(DirectRequestE2e, InviteNotThroughTheProviderRingsNothingAndGets403OrNothing)
{
    ProviderLog log;
    Phone phone(QStringLiteral("1001"), QStringLiteral("demo1001"));
    ASSERT_TRUE(phone.start());
    ASSERT_TRUE(phone.waitForStatus(QStringLiteral("Registered and Ready..."), 5000));
    const int port = registeredPort(log);
    ASSERT_GT(port, 0) << log.raw().toStdString();
    QStringList statuses;
    QObject::connect(
        &phone.engine(), &CallEngine::statusTextChanged, [&](const QString &s) { statuses << s; });

    const QHostAddress sources[]
        = { QHostAddress(QStringLiteral("127.0.0.5")), QHostAddress(QStringLiteral("127.0.0.1")) };
    int n = 0;
    for (const QHostAddress &source : sources) {
        SCOPED_TRACE(source.toString().toStdString());
        QUdpSocket spoofer;
        ASSERT_TRUE(spoofer.bind(source, 0)) << spoofer.errorString().toStdString();
        const QString tag = QString::number(++n);
        const QHostAddress ralu(QStringLiteral("127.0.0.1"));
        // Sent twice, as a retransmission would be; then given up, which
        // would log a missed call had it rung.
        const QByteArray invite
            = directRequest(QStringLiteral("INVITE"), source, spoofer.localPort(), port, tag);
        for (int i = 0; i < 2; ++i) {
            spoofer.writeDatagram(invite, ralu, quint16(port));
            pump(500);
        }
        spoofer.writeDatagram(directRequest(QStringLiteral("CANCEL"), source, spoofer.localPort(), port, tag),
            ralu, quint16(port));
        pump(1500);
        QStringList answers;
        while (spoofer.hasPendingDatagrams()) {
            QByteArray datagram(int(std::min<qint64>(spoofer.pendingDatagramSize(), 65536)), '\0');
            spoofer.readDatagram(datagram.data(), datagram.size());
            answers << QString::fromLatin1(datagram.left(datagram.indexOf('\r')));
        }
        for (const QString &answer : answers)
            EXPECT_TRUE(answer.startsWith(QStringLiteral("SIP/2.0 403"))) << answer.toStdString();
    }
    EXPECT_TRUE(statuses.filter(QStringLiteral("Incoming")).isEmpty()) << statuses.join(',').toStdString();
    EXPECT_EQ(phone.status(), QStringLiteral("Registered and Ready..."));
    EXPECT_FALSE(phone.engine().isRunning(EngineTimer::Ring));
    EXPECT_FALSE(phone.engine().missedIndicatorShown());
    EXPECT_TRUE(phone.historyText().isEmpty()) << phone.historyText().toStdString();

    // The same phone still takes a call that comes through the provider.
    Sipp caller(QStringLiteral("caller-cancel.xml"),
        { "-i", "127.0.0.1", "-p", "5080", "-mi", "127.0.0.1", "-mp", "17000", "-s", "1001", "-m", "1",
            "-set", "caller_number", "5550600", "-set", "ring_ms", "500", "127.0.0.1:5060" });
    EXPECT_TRUE(phone.waitForStatus(QStringLiteral("Incoming: 5550600"), 5000))
        << statuses.join(',').toStdString();
    EXPECT_TRUE(caller.waitFinished(8000));
    EXPECT_EQ(caller.exitCode(), 0) << caller.output().toStdString();
}
