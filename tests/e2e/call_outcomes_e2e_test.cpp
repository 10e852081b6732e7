// How calls turn out, against the real provider: with peers limited to one
// wide-band codec, and why each call that fails ended, as the SIP client
// tells the call engine (RtcEvent::callEnd).
#include "../unit/qt_printers.h"
#include "E2eSupport.h"

#include <QRegularExpression>
#include <gtest/gtest.h>

using namespace ralu;
using namespace ralu::e2e;

namespace {

const QStringList kFarEnd { "-i", "127.0.0.1", "-p", "5070", "-mi", "127.0.0.1", "-mp", "16000", "-m", "1" };

QStringList caller(const QString &number, const QStringList &extra)
{
    return QStringList { "-i", "127.0.0.1", "-p", "5080", "-mi", "127.0.0.1", "-mp", "17000", "-s", "1001",
        "-m", "1", "-set", "caller_number", number }
    + extra + QStringList { "127.0.0.1:5060" };
}

// The SDP of the last 200 OK to an INVITE, from the provider's log.
QString answeredSdp(const ProviderLog &log)
{
    QString sdp;
    for (const SipRecord &r : log.records())
        if (r.kind == QLatin1String("REPLY") && r.firstLine.startsWith(QLatin1String("SIP/2.0 200"))
            && r.header(QStringLiteral("CSeq")).endsWith(QLatin1String("INVITE")))
            sdp = r.text.section(QStringLiteral("\n\n"), 1);
    return sdp;
}

// A registered Ralu (account 1001) whose client events are recorded on
// their way to the call engine.
struct OutcomeFixture : ::testing::Test {
    std::unique_ptr<Phone> phone;
    std::vector<RtcEvent> sessionEvents;

    void SetUp() override
    {
        phone = std::make_unique<Phone>(QStringLiteral("1001"), QStringLiteral("demo1001"));
        ASSERT_TRUE(phone->start());
        ASSERT_TRUE(phone->waitForStatus(QStringLiteral("Registered and Ready..."), 5000));
        phone->rtc().setEventHandler([this](RtcEventType type, const RtcEvent &e) {
            if (type == RTCE_SESSION_STATE_CHANGE)
                sessionEvents.push_back(e);
            phone->engine().onRtcEvent(type, e);
        });
    }

    // The last DISCONNECTED event, once there is one (ms at most).
    const RtcEvent *ended(int ms)
    {
        const auto last = [this]() -> const RtcEvent * {
            for (auto it = sessionEvents.rbegin(); it != sessionEvents.rend(); ++it)
                if (it->sessionState == RTCSS_DISCONNECTED)
                    return &*it;
            return nullptr;
        };
        waitUntil([&] { return last() != nullptr; }, ms);
        return last();
    }

    void dial(const QString &number)
    {
        phone->engine().setNumberText(number);
        phone->app().dialer().makeCall();
    }
};

} // namespace

TEST_F(OutcomeFixture, EachRefusalOfTheFarEndSaysWhy)
{
    const struct {
        const char *code;
        RtcCallEnd expected;
    } cases[] = {
        { "486", RTCCE_BUSY },
        { "603", RTCCE_DECLINED },
        { "404", RTCCE_NOT_FOUND },
        { "480", RTCCE_UNAVAILABLE },
        { "408", RTCCE_NO_ANSWER },
        { "488", RTCCE_NO_CODEC },
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.code);
        sessionEvents.clear();
        Sipp farEnd(QStringLiteral("farend-reject.xml"), kFarEnd + QStringList { "-set", "code", c.code });
        pump(300);
        dial(QStringLiteral("5551234"));
        const RtcEvent *end = ended(8000);
        ASSERT_NE(end, nullptr);
        EXPECT_EQ(end->callEnd, c.expected);
        EXPECT_EQ(end->statusCode, QByteArray(c.code).toInt());
        EXPECT_TRUE(farEnd.waitFinished(5000));
        EXPECT_EQ(farEnd.exitCode(), 0) << farEnd.output().toStdString();
        ASSERT_TRUE(phone->waitForStatus(QStringLiteral("Registered and Ready.."), 5000));
    }
}

// Calls that end the ordinary way say no failure: the far end's BYE, our
// CANCEL while it rings, our refusal of a call ringing in (a 486 of ours).
TEST_F(OutcomeFixture, OrdinaryEndsAreNoFailure)
{
    const struct {
        const char *scenario;
        QStringList args;
        bool endHere;
    } cases[] = {
        { "farend-hangup.xml", kFarEnd + QStringList { "-set", "hangup_ms", "500" }, false },
        { "farend-noanswer.xml", kFarEnd, true },
        { "caller-expect-busy.xml", caller(QStringLiteral("5550100"), {}), true },
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.scenario);
        sessionEvents.clear();
        Sipp sipp(QString::fromLatin1(c.scenario), c.args);
        pump(300);
        if (!QByteArray(c.scenario).startsWith("caller"))
            dial(QStringLiteral("5551234"));
        if (c.endHere) {
            waitUntil([&] { return !sessionEvents.empty(); }, 5000);
            pump(500);
            phone->app().dialer().endButton();
        }
        const RtcEvent *end = ended(8000);
        ASSERT_NE(end, nullptr);
        EXPECT_EQ(end->callEnd, RTCCE_NONE) << end->statusCode;
        EXPECT_TRUE(sipp.waitFinished(5000));
        EXPECT_EQ(sipp.exitCode(), 0) << sipp.output().toStdString();
        ASSERT_TRUE(phone->waitForStatus(QStringLiteral("Registered and Ready.."), 5000));
    }
}

// Peers limited to opus or to G.722 call and are called: the codec is
// offered, and accepted from them.
TEST_F(OutcomeFixture, PeersWithOneWideBandCodecCallAndAreCalled)
{
    const struct {
        const char *farEnd; // farend-codec.xml's codec
        const char *pt; // what the caller offers
        const char *codec;
    } cases[] = { { "opus", "96", "opus/48000/2" }, { "G722", "9", "G722/8000" } };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.codec);
        Sipp farEnd(QStringLiteral("farend-codec.xml"),
            kFarEnd + QStringList { "-rtp_echo", "-set", "codec", c.farEnd });
        pump(300);
        dial(QStringLiteral("5551234"));
        EXPECT_TRUE(phone->waitForStatus(QStringLiteral("Connected"), 8000)) << phone->status().toStdString();
        pump(1000);
        phone->app().dialer().endButton();
        EXPECT_TRUE(farEnd.waitFinished(5000));
        EXPECT_EQ(farEnd.exitCode(), 0) << farEnd.output().toStdString();
        ASSERT_TRUE(phone->waitForStatus(QStringLiteral("Registered and Ready.."), 5000));

        ProviderLog log;
        Sipp sipp(QStringLiteral("caller-codec.xml"),
            caller(QStringLiteral("5550600"),
                { "-rtp_echo", "-set", "pt", c.pt, "-set", "codec", c.codec, "-set", "talk_ms", "1000" }));
        ASSERT_TRUE(phone->waitForStatus(QStringLiteral("Incoming: 5550600"), 5000))
            << phone->status().toStdString();
        phone->app().dialer().dialButton();
        EXPECT_TRUE(phone->waitForStatus(QStringLiteral("Connected"), 5000));
        EXPECT_TRUE(sipp.waitFinished(8000));
        EXPECT_EQ(sipp.exitCode(), 0) << sipp.output().toStdString();
        // Ralu's answer takes the offered codec alone.
        const QString sdp = answeredSdp(log);
        EXPECT_TRUE(sdp.contains(QRegularExpression(QStringLiteral("m=audio \\d+ RTP/AVP %1\n").arg(c.pt))))
            << sdp.toStdString();
        ASSERT_TRUE(phone->waitForStatus(QStringLiteral("Registered and Ready.."), 5000));
    }
}

// An offer Ralu cannot take (GSM only) is refused with 488 by the SIP stack,
// and still reaches the call engine as an offer that ended: a missed call.
TEST_F(OutcomeFixture, AnOfferWithNoCommonCodecIsAMissedCall)
{
    Sipp sipp(QStringLiteral("caller-codec.xml"),
        caller(QStringLiteral("5550700"), { "-set", "pt", "3", "-set", "codec", "GSM/8000" }));
    const RtcEvent *end = ended(8000);
    ASSERT_NE(end, nullptr);
    ASSERT_EQ(sessionEvents.size(), 2u);
    EXPECT_EQ(sessionEvents.front().sessionState, RTCSS_INCOMING);
    EXPECT_EQ(end->callEnd, RTCCE_NO_CODEC);
    EXPECT_EQ(end->statusCode, 488);
    EXPECT_TRUE(sipp.waitFinished(5000));
    EXPECT_EQ(sipp.exitCode(), 0) << sipp.output().toStdString();
    ASSERT_TRUE(phone->waitForStatus(QStringLiteral("Registered and Ready.."), 5000));
    EXPECT_TRUE(phone->historyText().startsWith(QStringLiteral("M::5550700")))
        << phone->historyText().toStdString();
    EXPECT_TRUE(phone->engine().missedIndicatorShown());
}

// The far end answers as our CANCEL reaches it: the 200 OK is acknowledged
// and the call ended with one BYE, sent once (RFC 3261 sections 9.1, 15).
TEST_F(OutcomeFixture, AnAnswerCrossingOurCancelIsAcknowledgedAndEndedWithOneBye)
{
    ProviderLog log;
    Sipp farEnd(QStringLiteral("farend-answer-on-cancel.xml"), kFarEnd);
    pump(300);
    dial(QStringLiteral("5551234"));
    ASSERT_TRUE(phone->waitForStatus(QStringLiteral("Inprogress"), 5000));
    pump(500);
    phone->app().dialer().endButton();
    // The far end fails on a second BYE within 3 s of the first.
    EXPECT_TRUE(farEnd.waitFinished(8000));
    EXPECT_EQ(farEnd.exitCode(), 0) << farEnd.output().toStdString();

    // What Ralu sent for the call after its CANCEL, in order.
    const auto cancels = log.requests(QStringLiteral("CANCEL"));
    ASSERT_EQ(cancels.size(), 1) << log.raw().toStdString();
    QStringList after;
    bool cancelled = false;
    for (const SipRecord &r : log.records()) {
        if (r.kind != QLatin1String("IN")
            || r.header(QStringLiteral("Call-ID")) != cancels.first().header(QStringLiteral("Call-ID")))
            continue;
        if (cancelled)
            after << r.method();
        cancelled = cancelled || r.method() == QLatin1String("CANCEL");
    }
    EXPECT_EQ(after, (QStringList { "ACK", "BYE" })) << log.raw().toStdString();
    EXPECT_TRUE(phone->waitForStatus(QStringLiteral("Registered and Ready.."), 5000));
}
