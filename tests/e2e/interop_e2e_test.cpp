// Interoperability: Ralu (account 1001) against real softphones registered
// as account 1002 on the local provider (linphonec and baresip, see
// ConsolePeer): calls both ways, hang-up on either side, touch tones both
// ways, far-end hold and resume, far-end transfer, reject, and peers limited
// to one wideband codec; hold and transfer from here. What crossed the wire is read from the provider's
// log (every peer follows Record-Route) and, for touch tones, from a tshark
// capture on lo; what Ralu kept from its call history.
#include "../unit/qt_printers.h"
#include "BaresipFarEnd.h"
#include "E2eSupport.h"
#include "LinphonecFarEnd.h"
#include "LoopbackCapture.h"
#include "calls/CallHold.h"
#include "calls/CallTransfer.h"

#include <QRegularExpression>
#include <gtest/gtest.h>

using namespace ralu;
using namespace ralu::e2e;

namespace {

const QString kReady = QStringLiteral("Registered and Ready..");
constexpr int kWaitMs = 5000;

struct PeerKind {
    const char *name;
    std::unique_ptr<ConsolePeer> (*make)(PeerSetup);
    int sipPort, rtpPort;
};
template <typename T> std::unique_ptr<ConsolePeer> make(PeerSetup s)
{
    return std::make_unique<T>(std::move(s));
}
const PeerKind kPeers[] = { { "linphonec", make<LinphonecFarEnd>, 5092, 16200 },
    { "baresip", make<BaresipFarEnd>, 5094, 16300 } };

QString sdpValue(const QString &text, const QString &pattern)
{
    return QRegularExpression(pattern, QRegularExpression::MultilineOption).match(text).captured(1);
}
// The audio stream's direction: its own attribute, else the session's.
QString direction(const QString &text)
{
    QString found = QStringLiteral("sendrecv");
    const QRegularExpression re(
        QStringLiteral("^a=(sendrecv|sendonly|recvonly|inactive)\\s*$"), QRegularExpression::MultilineOption);
    for (auto it = re.globalMatch(text); it.hasNext();)
        found = it.next().captured(1);
    return found;
}
// The encoding names of the audio payloads, in order of preference (the
// static payload types of RFC 3551 may come without their rtpmap).
QStringList codecs(const QString &text)
{
    static const QMap<QString, QString> kStatic { { "0", "PCMU" }, { "8", "PCMA" }, { "9", "G722" } };
    QStringList out;
    const QString types = sdpValue(text, QStringLiteral("^m=audio \\d+ RTP/AVP ([\\d ]+)"));
    for (const QString &pt : types.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        const QString name = sdpValue(text, QStringLiteral("^a=rtpmap:%1 ([^/\\s]+)").arg(pt));
        out << (name.isEmpty() ? kStatic.value(pt) : name);
    }
    return out;
}
int code(const SipRecord &r)
{
    return r.kind == QLatin1String("REPLY") ? r.firstLine.section(QLatin1Char(' '), 1, 1).toInt() : 0;
}
QString cseqMethod(const SipRecord &r)
{
    return r.header(QStringLiteral("CSeq")).section(QLatin1Char(' '), 1, 1);
}

// A registered Ralu for 1001 and a peer for 1002; the wire from the start.
struct Interop : ::testing::Test {
    PeerKind kind {};
    std::unique_ptr<Phone> phone;
    std::unique_ptr<ConsolePeer> peer;
    ProviderLog wire;
    QStringList statuses;

    void start(const PeerKind &k, const QStringList &codecs = { "PCMU", "PCMA" })
    {
        kind = k;
        phone = std::make_unique<Phone>(QStringLiteral("1001"), QStringLiteral("demo1001"));
        ASSERT_TRUE(phone->start());
        ASSERT_TRUE(phone->waitForStatus(QStringLiteral("Registered and Ready..."), kWaitMs));
        QObject::connect(&phone->engine().presenter(), &MainPresenter::statusTextChanged,
            [this](const QString &s) { statuses << s; });
        peer = k.make(PeerSetup { "1002", 440, "demo1002", k.sipPort, k.rtpPort, codecs, false });
        ASSERT_TRUE(peer->start()) << peer->log().toStdString();
    }

    bool fromPeer(const SipRecord &r) const
    {
        return r.source.endsWith(QStringLiteral(":%1").arg(kind.sipPort));
    }
    QList<SipRecord> find(const std::function<bool(const SipRecord &)> &pred) const
    {
        QList<SipRecord> out;
        for (const SipRecord &r : wire.records())
            if (pred(r))
                out << r;
        return out;
    }
    bool waitWire(const std::function<bool(const SipRecord &)> &pred, int ms = kWaitMs) const
    {
        return waitUntil([&] { return !find(pred).isEmpty(); }, ms);
    }
    // Requests of a method sent by Ralu (byPeer false) or by the peer, once
    // each (retransmissions left out).
    QList<SipRecord> requests(const QString &method, bool byPeer) const
    {
        QStringList seen;
        return find([&](const SipRecord &r) {
            const QString id = r.header("Call-ID") + r.header("CSeq");
            if (r.method() != method || fromPeer(r) != byPeer || seen.contains(id))
                return false;
            seen << id;
            return true;
        });
    }
    // The first SDP that Ralu (or the peer) sent.
    QString firstSdp(bool byPeer) const
    {
        const auto withSdp
            = find([&](const SipRecord &r) { return fromPeer(r) == byPeer && r.text.contains("m=audio"); });
        return withSdp.isEmpty() ? QString() : withSdp.first().text;
    }
    std::string context() const
    {
        return (statuses.join(',') + "\n--- peer:\n" + peer->log().right(3000) + "\n--- wire:\n"
            + wire.raw().right(6000))
            .toStdString();
    }

    // A connected call, placed by Ralu or by the peer; the other answers.
    void connect(bool raluCalls)
    {
        if (raluCalls) {
            phone->engine().presenter().setNumberText(QStringLiteral("1002"));
            phone->app().dialer().makeCall();
            ASSERT_TRUE(peer->expect(&PeerDialect::incoming, kWaitMs)) << context();
            peer->act(&PeerDialect::answer);
        } else {
            peer->act(&PeerDialect::dial, QStringLiteral("1001"));
            ASSERT_TRUE(phone->waitForStatus(QStringLiteral("Incoming: 1002"), kWaitMs)) << context();
            phone->app().dialer().dialButton();
        }
        ASSERT_TRUE(phone->waitForStatus(QStringLiteral("Connected"), kWaitMs)) << context();
        ASSERT_TRUE(peer->expect(&PeerDialect::established, kWaitMs)) << context();
    }
    void reinvited(
        int n, bool byPeer, const QStringList &offered, const QStringList &answered, CallState state);
    // Ralu's end button ends the call: a BYE leaves, the peer sees it end.
    void endHere()
    {
        const int byes = requests(QStringLiteral("BYE"), false).size();
        phone->app().dialer().endButton();
        EXPECT_TRUE(phone->waitForStatus(kReady, kWaitMs)) << context();
        EXPECT_TRUE(peer->expect(&PeerDialect::ended, kWaitMs)) << context();
        EXPECT_EQ(requests(QStringLiteral("BYE"), false).size(), byes + 1) << context();
    }
};

struct PeerTest : Interop, ::testing::WithParamInterface<PeerKind> {
    void SetUp() override { ASSERT_NO_FATAL_FAILURE(start(GetParam())); }
};

void PrintTo(const PeerKind &kind, std::ostream *out)
{
    *out << kind.name;
}

} // namespace

// Both directions, ended on either side: the BYE crosses the wire from the
// side that hung up, Ralu goes back to ready and logs the call.
TEST_P(PeerTest, CallsBothWaysEndedOnEitherSide)
{
    for (const bool raluCalls : { true, false }) {
        for (const bool raluEnds : { true, false }) {
            SCOPED_TRACE(QStringLiteral("%1 calls, %2 hangs up")
                             .arg(raluCalls ? "Ralu" : "the peer", raluEnds ? "Ralu" : "the peer")
                             .toStdString());
            statuses.clear();
            ASSERT_NO_FATAL_FAILURE(connect(raluCalls));
            const QString callId = requests(QStringLiteral("INVITE"), !raluCalls).last().header("Call-ID");
            EXPECT_EQ(phone->historyLines().last(), raluCalls ? "D::1002" : "R::1002");
            if (raluEnds) {
                endHere();
            } else {
                peer->act(&PeerDialect::hangUp);
                ASSERT_TRUE(phone->waitForStatus(kReady, kWaitMs)) << context();
                EXPECT_TRUE(statuses.contains(QStringLiteral("Disconnected")));
                EXPECT_EQ(phone->engine().session().state(), CallState::Idle);
            }
            const auto byes = requests(QStringLiteral("BYE"), !raluEnds);
            ASSERT_FALSE(byes.isEmpty()) << context();
            EXPECT_EQ(byes.last().header("Call-ID"), callId);
            pump(300);
        }
    }
    EXPECT_EQ(phone->historyLines().size(), 4);
}

// Ralu's pad keys reach the peer as telephone events, and the peer's reach
// Ralu's RTP port, both seen on lo; the peer reports what it received.
TEST_P(PeerTest, TouchTonesBothWays)
{
    LoopbackCapture capture(QStringLiteral("udp"));
    ASSERT_TRUE(capture.started()) << capture.log().toStdString();
    ASSERT_NO_FATAL_FAILURE(connect(true));
    pump(500);
    for (const char key : { '1', '9', '*', '#' }) {
        ASSERT_TRUE(clickPadKey(*phone, key));
        pump(350);
    }
    for (const char *digit : { "4", "0" }) {
        peer->act(&PeerDialect::digits, QString::fromLatin1(digit));
        pump(400);
    }
    waitUntil([&] { return peer->captures(peer->dialect().tone).size() >= 4; }, 3000);
    EXPECT_EQ(peer->captures(peer->dialect().tone), QStringLiteral("19*#")) << context();
    endHere();
    const int raluPort = sdpValue(firstSdp(false), QStringLiteral("^m=audio (\\d+)")).toInt();
    const int peerPort = sdpValue(firstSdp(true), QStringLiteral("^m=audio (\\d+)")).toInt();
    ASSERT_GT(raluPort, 0) << context();
    EXPECT_EQ(capture.eventsTo(peerPort), (QStringList { "1+end", "9+end", "10+end", "11+end" }))
        << capture.log().toStdString();
    EXPECT_EQ(capture.eventsTo(raluPort), (QStringList { "4+end", "0+end" })) << capture.log().toStdString();
}

// A re-INVITE sent by the peer (byPeer) or by Ralu, the n-th, answered 200:
// the offer and the answer carry one of their directions, and Ralu's call is
// in state afterwards.
void Interop::reinvited(
    int n, bool byPeer, const QStringList &offered, const QStringList &answered, CallState state)
{
    QList<SipRecord> reinvites, replies;
    waitUntil(
        [&] {
            reinvites = find([&](const SipRecord &r) {
                return r.method() == "INVITE" && fromPeer(r) == byPeer && r.header("To").contains("tag=");
            });
            replies = find([&](const SipRecord &r) {
                return reinvites.size() == n && code(r) == 200 && fromPeer(r) != byPeer
                    && r.header("CSeq") == reinvites.last().header("CSeq");
            });
            return !replies.isEmpty();
        },
        kWaitMs);
    ASSERT_EQ(reinvites.size(), n) << context();
    ASSERT_FALSE(replies.isEmpty()) << context();
    EXPECT_TRUE(offered.contains(direction(reinvites.last().text))) << context();
    EXPECT_TRUE(answered.contains(direction(replies.last().text))) << context();
    pump(500);
    EXPECT_EQ(phone->engine().session().state(), state);
}

// The peer holds and resumes: both re-INVITEs are answered 200 with the
// matching direction, and Ralu's call stays connected throughout.
TEST_P(PeerTest, FarEndHoldAndResume)
{
    ASSERT_NO_FATAL_FAILURE(connect(false));
    peer->act(&PeerDialect::hold);
    const QStringList held { "sendonly", "recvonly", "inactive" };
    reinvited(1, true, held, held, CallState::Connected);
    EXPECT_EQ(phone->status(), QStringLiteral("Connected"));
    peer->act(&PeerDialect::resume);
    reinvited(2, true, { "sendrecv" }, { "sendrecv" }, CallState::Connected);
    EXPECT_EQ(phone->status(), QStringLiteral("Connected"));
    endHere();
}

// Ralu's Hold button: its re-INVITE offers sendonly (or inactive), the
// status says so; a second click offers sendrecv again. The end button
// ends a held call.
TEST_P(PeerTest, HoldAndResumeFromHere)
{
    ASSERT_NO_FATAL_FAILURE(connect(true));
    for (int round = 1; round <= 2; ++round) {
        phone->app().hold()->toggle();
        reinvited(
            2 * round - 1, false, { "sendonly", "inactive" }, { "recvonly", "inactive" }, CallState::Held);
        EXPECT_EQ(phone->status(), QStringLiteral("On hold"));
        if (round == 2)
            break;
        phone->app().hold()->toggle();
        reinvited(2, false, { "sendrecv" }, { "sendrecv" }, CallState::Connected);
        EXPECT_EQ(phone->status(), QStringLiteral("Connected"));
    }
    endHere();
}

// Ralu's Transfer: the REFER names the target at the provider, the peer
// places its own call there (the telephone network answers), reports 200 in
// a NOTIFY, and only then Ralu ends its call with a BYE: "Transferred", and
// the history keeps the call's own entry only.
TEST_P(PeerTest, BlindTransferFromHere)
{
    Sipp network(QStringLiteral("farend-answer.xml"),
        { "-i", "127.0.0.1", "-p", "5070", "-mi", "127.0.0.1", "-mp", "16000", "-m", "1", "-rtp_echo" });
    ASSERT_NO_FATAL_FAILURE(connect(true));
    phone->app().transfer()->button();
    phone->engine().presenter().setNumberText(QStringLiteral("5551234"));
    phone->app().transfer()->send();
    ASSERT_TRUE(waitWire([&](const SipRecord &r) { return r.method() == "REFER" && !fromPeer(r); }))
        << context();
    EXPECT_EQ(requests(QStringLiteral("REFER"), false)
                  .first()
                  .header("Refer-To")
                  .remove(QRegularExpression("[<>]")),
        QStringLiteral("sip:5551234@127.0.0.1"));
    EXPECT_TRUE(waitWire([&](const SipRecord &r) {
        return r.method() == "INVITE" && fromPeer(r) && r.firstLine.startsWith("INVITE sip:5551234@");
    })) << context();
    ASSERT_TRUE(phone->waitForStatus(kReady, 15000)) << context();
    EXPECT_TRUE(statuses.contains(QStringLiteral("Transferred"))) << context();
    const auto records = wire.records();
    const auto done = std::find_if(records.begin(), records.end(), [&](const SipRecord &r) {
        return r.method() == "NOTIFY" && fromPeer(r) && r.text.contains(QRegularExpression("SIP/2.0 200"));
    });
    ASSERT_NE(done, records.end()) << context();
    EXPECT_TRUE(std::any_of(
        done, records.end(), [&](const SipRecord &r) { return r.method() == "BYE" && !fromPeer(r); }))
        << "Ralu's BYE after the NOTIFY with 200: " << context();
    EXPECT_EQ(phone->historyLines(), QStringList { "D::1002" });
    // The peer's call to the target ends whole: no stray BYE for the next test.
    peer->act(&PeerDialect::hangUp);
    EXPECT_TRUE(network.waitFinished(kWaitMs));
    EXPECT_EQ(network.exitCode(), 0) << network.output().toStdString();
}

// A transfer asked by the far end is refused with a final answer: no call
// leaves for the Refer-To target, the call goes on as it was (not put on
// hold) and ends from here, unless the peer itself ends it.
TEST_P(PeerTest, FarEndTransferIsRefused)
{
    ASSERT_NO_FATAL_FAILURE(connect(true));
    peer->act(&PeerDialect::transfer, QStringLiteral("sip:1003@127.0.0.1"));
    ASSERT_TRUE(waitWire([&](const SipRecord &r) { return r.method() == "REFER" && fromPeer(r); }))
        << context();
    EXPECT_TRUE(waitWire(
        [&](const SipRecord &r) { return !fromPeer(r) && cseqMethod(r) == "REFER" && code(r) >= 200; }));
    const auto answers = find(
        [&](const SipRecord &r) { return !fromPeer(r) && cseqMethod(r) == "REFER" && code(r) >= 200; });
    EXPECT_GE(answers.isEmpty() ? 0 : code(answers.first()), 300) << "Ralu's final answer to REFER";
    pump(1500);
    const QString callId = requests(QStringLiteral("INVITE"), false).first().header("Call-ID");
    for (const SipRecord &invite : requests(QStringLiteral("INVITE"), false)) {
        EXPECT_EQ(invite.header("Call-ID"), callId)
            << "a call of its own: " << invite.firstLine.toStdString();
        EXPECT_FALSE(invite.firstLine.contains("1003")) << context();
        EXPECT_EQ(direction(invite.text), "sendrecv") << "the call is left as it was";
    }
    if (peer->dialect().endsCallWhenTransferFails) {
        // baresip 1.0 hangs up once its transfer fails: Ralu follows its BYE.
        EXPECT_EQ(requests(QStringLiteral("BYE"), true).size(), 1) << context();
        EXPECT_TRUE(phone->waitForStatus(kReady, kWaitMs)) << context();
        return;
    }
    EXPECT_EQ(phone->engine().session().state(), CallState::Connected);
    EXPECT_EQ(phone->status(), QStringLiteral("Connected"));
    endHere();
}

// Ralu's end button on a call ringing in: the peer gets 486 and acknowledges
// it; the call is logged missed.
TEST_P(PeerTest, RejectedCallIsBusyForThePeer)
{
    peer->act(&PeerDialect::dial, QStringLiteral("1001"));
    ASSERT_TRUE(phone->waitForStatus(QStringLiteral("Incoming: 1002"), kWaitMs)) << context();
    phone->app().dialer().endButton();
    // The peer acknowledges the 486 (its CSeq number), not only the 407.
    QString busyCSeq;
    EXPECT_TRUE(waitUntil(
        [&] {
            for (const SipRecord &r : wire.records()) {
                if (code(r) == 486 && !fromPeer(r))
                    busyCSeq = r.header("CSeq").section(' ', 0, 0);
                if (!busyCSeq.isEmpty() && r.method() == "ACK" && fromPeer(r)
                    && r.header("CSeq") == busyCSeq + " ACK")
                    return true;
            }
            return false;
        },
        kWaitMs))
        << context();
    EXPECT_TRUE(peer->expect(&PeerDialect::busy, kWaitMs)) << context();
    EXPECT_TRUE(phone->waitForStatus(kReady, kWaitMs));
    EXPECT_EQ(phone->historyLines(), QStringList { "M::1002" });
}

INSTANTIATE_TEST_SUITE_P(Interop, PeerTest, ::testing::ValuesIn(kPeers),
    [](const auto &info) { return std::string(info.param.name); });

namespace {

struct CodecCase {
    PeerKind peer;
    const char *codec;
};
void PrintTo(const CodecCase &c, std::ostream *out)
{
    *out << c.peer.name << "_" << c.codec;
}
const CodecCase kCodecCases[]
    = { { kPeers[0], "G722" }, { kPeers[0], "opus" }, { kPeers[1], "G722" }, { kPeers[1], "opus" } };

struct CodecTest : Interop, ::testing::WithParamInterface<CodecCase> {
    QString codec() const { return QString::fromLatin1(GetParam().codec); }
    void SetUp() override { ASSERT_NO_FATAL_FAILURE(start(GetParam().peer, { codec() })); }

    void call(bool raluCalls)
    {
        ProviderLog call;
        // A final failure of the INVITE (not the provider's 407), as it came.
        const auto failure = [&] {
            for (const SipRecord &r : call.records())
                if (cseqMethod(r) == "INVITE" && code(r) >= 400 && code(r) != 407)
                    return r.source + QStringLiteral(" answered ") + r.firstLine;
            return QString();
        };
        if (raluCalls) {
            phone->engine().presenter().setNumberText(QStringLiteral("1002"));
            phone->app().dialer().makeCall();
            waitUntil(
                [&] { return !failure().isEmpty() || peer->expect(&PeerDialect::incoming, 0); }, kWaitMs);
            ASSERT_EQ(failure(), QString()) << context();
            peer->act(&PeerDialect::answer);
        } else {
            peer->act(&PeerDialect::dial, QStringLiteral("1001"));
            waitUntil(
                [&] { return !failure().isEmpty() || phone->status().startsWith("Incoming"); }, kWaitMs);
            EXPECT_EQ(codecs(firstSdp(true)), QStringList({ codec(), "telephone-event" }))
                << "the peer's offer";
            ASSERT_EQ(failure(), QString()) << context();
            phone->app().dialer().dialButton();
        }
        ASSERT_TRUE(phone->waitForStatus(QStringLiteral("Connected"), kWaitMs)) << context();
        ASSERT_TRUE(peer->expect(&PeerDialect::established, kWaitMs)) << context();
        const auto answers = find([&](const SipRecord &r) {
            return code(r) == 200 && cseqMethod(r) == "INVITE" && fromPeer(r) == raluCalls;
        });
        ASSERT_FALSE(answers.isEmpty());
        EXPECT_EQ(codecs(answers.last().text).value(0), codec()) << answers.last().text.toStdString();
        endHere();
    }
};

} // namespace

// A peer that has only one wideband codec: calls connect both ways with it.
TEST_P(CodecTest, CallsConnectWithThePeersOnlyCodec)
{
    for (const bool raluCalls : { false, true }) {
        SCOPED_TRACE(raluCalls ? "Ralu calls" : "the peer calls");
        call(raluCalls);
        if (phone->engine().session().state() != CallState::Idle) {
            phone->engine().session().hangUp();
            phone->waitForStatus(kReady, kWaitMs);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Interop, CodecTest, ::testing::ValuesIn(kCodecCases),
    [](const auto &info) { return ::testing::PrintToString(info.param); });
