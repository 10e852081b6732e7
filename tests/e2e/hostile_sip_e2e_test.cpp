// What a remote party can send, from the provider's own address or through
// it as a customer: nothing crashes Ralu, deafens it or pins its SIP thread.
// Each attack is answered (or dropped) at once, and a call through the
// provider still rings right after.
#include "../unit/qt_printers.h"
#include "E2eSupport.h"

#include <gtest/gtest.h>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace ralu;
using namespace ralu::e2e;

namespace {

const QString kRegistered = QStringLiteral("Registered and Ready...");

// Sends a datagram to Ralu's SIP port as the provider (127.0.0.1:5060)
// would: the provider's port is its own, so a raw socket writes the UDP
// header (needs CAP_NET_RAW, which the tests have as root).
bool sendAsProvider(int port, const QByteArray &payload)
{
    const int fd = ::socket(AF_INET, SOCK_RAW, IPPROTO_UDP);
    if (fd < 0)
        return false;
    QByteArray packet(8, '\0');
    auto *udp = reinterpret_cast<uint16_t *>(packet.data());
    udp[0] = htons(5060);
    udp[1] = htons(uint16_t(port));
    udp[2] = htons(uint16_t(8 + payload.size()));
    packet += payload; // checksum 0: none, as IPv4 allows
    sockaddr_in to {};
    to.sin_family = AF_INET;
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const bool sent = ::sendto(fd, packet.constData(), size_t(packet.size()), 0,
                          reinterpret_cast<sockaddr *>(&to), sizeof to)
        == packet.size();
    ::close(fd);
    return sent;
}

struct Attack {
    QString method = QStringLiteral("INVITE");
    QString user = QStringLiteral("1001");
    QString fromName;
    QString toTag;
    QByteArray extraHeaders;
    QByteArray body = "v=0\r\no=x 1 1 IN IP4 127.0.0.1\r\ns=-\r\nc=IN IP4 127.0.0.1\r\nt=0 0\r\n"
                      "m=audio 18000 RTP/AVP 0\r\na=rtpmap:0 PCMU/8000\r\n";
    int contentLength = -1; // -1: the body's
};

QByteArray request(const Attack &a, int port, const QString &callId)
{
    const QString from
        = (a.fromName.isEmpty() ? QString() : QLatin1Char('"') + a.fromName + QStringLiteral("\" "))
        + QStringLiteral("<sip:5550900@127.0.0.1>;tag=h1");
    QString head = QStringLiteral("%1 sip:%2@127.0.0.1:%3 SIP/2.0\r\n").arg(a.method, a.user).arg(port);
    head += QStringLiteral("Via: SIP/2.0/UDP 127.0.0.1:5060;branch=z9hG4bK-%1;rport\r\n").arg(callId);
    head += QStringLiteral("Max-Forwards: 70\r\nFrom: %1\r\n").arg(from);
    head += QStringLiteral("To: <sip:1001@127.0.0.1>%1\r\n").arg(a.toTag);
    head += QStringLiteral("Call-ID: %1\r\nCSeq: 1 %2\r\n").arg(callId, a.method);
    head += QStringLiteral("Contact: <sip:5550900@127.0.0.1:5060>\r\nContent-Type: application/sdp\r\n");
    head += QStringLiteral("Content-Length: %1\r\n")
                .arg(a.contentLength >= 0 ? a.contentLength : int(a.body.size()));
    return head.toLatin1() + a.extraHeaders + "\r\n" + a.body;
}

// The status code of Ralu's reply to callId in the provider's log, 0 if none.
int replyTo(const ProviderLog &log, const QString &callId)
{
    for (const SipRecord &r : log.records())
        if (r.kind == QLatin1String("REPLY") && r.header(QStringLiteral("Call-ID")) == callId)
            return r.firstLine.section(QLatin1Char(' '), 1, 1).toInt();
    return 0;
}

// A call from the telephone network, given up after it rang.
bool ringsThrough(Phone &phone, const QString &number)
{
    Sipp caller(QStringLiteral("caller-cancel.xml"),
        { "-i", "127.0.0.1", "-p", "5080", "-mi", "127.0.0.1", "-mp", "17000", "-s", "1001", "-m", "1",
            "-set", "caller_number", number, "-set", "ring_ms", "300", "127.0.0.1:5060" });
    const bool rang = phone.waitForStatus(QStringLiteral("Incoming: ") + number, 3000);
    caller.waitFinished(5000);
    return rang && phone.waitForStatus(QStringLiteral("Registered and Ready.."), 4000);
}

} // namespace

TEST(HostileSipE2e, NothingFromTheProvidersAddressCrashesDeafensOrPinsIt)
{
    ProviderLog log;
    Phone phone(QStringLiteral("1001"), QStringLiteral("demo1001"));
    ASSERT_TRUE(phone.start());
    ASSERT_TRUE(phone.waitForStatus(kRegistered, 5000));
    const int port = registeredPort(log);
    ASSERT_GT(port, 0);
    QStringList statuses;
    QObject::connect(
        &phone.engine(), &CallEngine::statusTextChanged, [&](const QString &s) { statuses << s; });

    Attack longName, lyingLength, longUser, bigHeader, strayBye, bogusReinvite;
    longName.fromName = QString(1100, QLatin1Char('A'));
    lyingLength.contentLength = 99999;
    longUser.user = QString(20000, QLatin1Char('7'));
    bigHeader.extraHeaders = "X-Big: " + QByteArray(60 * 1024, 'x') + "\r\n";
    strayBye.method = QStringLiteral("BYE");
    strayBye.toTag = QStringLiteral(";tag=nosuch");
    strayBye.body.clear();
    bogusReinvite.toTag = QStringLiteral(";tag=nosuch");
    bogusReinvite.body = "v=0\r\nm=audio banana RTP/AVP \x01\x02\r\nc=IN IP9 ::::\r\n";
    const struct {
        const char *name;
        Attack attack;
        int reply; // Ralu's answer
    } attacks[] = {
        { "Content-Length beyond the datagram", lyingLength, 400 },
        { "user part of 20000 digits", longUser, 414 }, { "header of 60 KB", bigHeader, 400 },
        { "BYE for an unknown dialog", strayBye, 481 }, { "re-INVITE with bogus SDP", bogusReinvite, 481 },
        { "display name of 1100 characters", longName, 400 }, // last: it crashed the stack
    };
    const double cpuBefore = processCpuSeconds();
    int n = 0;
    for (const auto &a : attacks) {
        const QString callId = QStringLiteral("hostile-%1").arg(++n);
        ASSERT_TRUE(sendAsProvider(port, request(a.attack, port, callId))) << "raw sockets need root";
        EXPECT_TRUE(waitUntil([&] { return replyTo(log, callId) != 0; }, 2000)) << a.name;
        EXPECT_EQ(replyTo(log, callId), a.reply) << a.name;
    }
    // A burst: one INVITE 1000 times, then given up.
    const QByteArray burst = request(Attack(), port, QStringLiteral("hostile-burst"));
    for (int i = 0; i < 1000; ++i)
        sendAsProvider(port, burst);
    pump(500);
    Attack cancel;
    cancel.method = QStringLiteral("CANCEL");
    cancel.body.clear();
    sendAsProvider(port, request(cancel, port, QStringLiteral("hostile-burst")));

    EXPECT_LT(processCpuSeconds() - cpuBefore, 3.0) << "the SIP thread was pinned";
    EXPECT_TRUE(ringsThrough(phone, QStringLiteral("5550901"))) << statuses.join(", ").toStdString();
    EXPECT_EQ(statuses.filter(QStringLiteral("Incoming")).size(), 2) << statuses.join(", ").toStdString();
}

TEST(HostileSipE2e, ACustomersLongDisplayNameThroughTheProviderIsRefused)
{
    ProviderLog log;
    Phone phone(QStringLiteral("1001"), QStringLiteral("demo1001"));
    ASSERT_TRUE(phone.start());
    ASSERT_TRUE(phone.waitForStatus(kRegistered, 5000));
    Sipp caller(QStringLiteral("caller-cancel.xml"),
        { "-i", "127.0.0.1", "-p", "5080", "-mi", "127.0.0.1", "-mp", "17000", "-s", "1001", "-m", "1",
            "-set", "caller_number", "5550902", "-set", "caller_name", QString(1100, QLatin1Char('B')),
            "127.0.0.1:5060" });
    EXPECT_TRUE(caller.waitFinished(8000));
    bool refused = false;
    for (const SipRecord &r : log.records())
        refused = refused || (r.kind == QLatin1String("REPLY") && r.firstLine.startsWith("SIP/2.0 400"));
    EXPECT_TRUE(refused) << log.raw().right(3000).toStdString();
    EXPECT_EQ(phone.status(), kRegistered);
    EXPECT_TRUE(ringsThrough(phone, QStringLiteral("5550903")));
}
