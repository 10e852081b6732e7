// Calls that fail, against the real provider: why each ended, as the SIP
// client tells the call engine (RtcEvent::callEnd), and what the user's
// history keeps of them.
#include "../unit/qt_printers.h"
#include "E2eSupport.h"

#include <gtest/gtest.h>

using namespace ralu;
using namespace ralu::e2e;

namespace {

const QStringList kFarEnd { "-i", "127.0.0.1", "-p", "5070", "-mi", "127.0.0.1", "-mp", "16000", "-m", "1" };

// A registered Ralu (account 1001) whose client events are recorded on
// their way to the call engine.
struct FailureFixture : ::testing::Test {
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

    // The session states seen, and the last DISCONNECTED event once there
    // is one.
    std::vector<RtcSessionState> states() const
    {
        std::vector<RtcSessionState> out;
        for (const RtcEvent &e : sessionEvents)
            out.push_back(e.sessionState);
        return out;
    }
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

TEST_F(FailureFixture, EachRefusalOfTheFarEndSaysWhy)
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
TEST_F(FailureFixture, OrdinaryEndsAreNoFailure)
{
    const struct {
        const char *scenario;
        QStringList args;
        bool endHere;
    } cases[] = {
        { "farend-hangup.xml", kFarEnd + QStringList { "-set", "hangup_ms", "500" }, false },
        { "farend-noanswer.xml", kFarEnd, true },
        { "caller-expect-busy.xml",
            { "-i", "127.0.0.1", "-p", "5080", "-mi", "127.0.0.1", "-mp", "17000", "-s", "1001", "-m", "1",
                "127.0.0.1:5060" },
            true },
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
