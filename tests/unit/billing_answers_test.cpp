// The credit-time answer reaches the call engine later than the connection:
// the countdown starts when it arrives, with the seconds already counted
// taken off, and an answer for a call that is over changes nothing.
#include "CallEngineTestAccess.h"
#include "FakeRtcClient.h"
#include "engine/CallEngine.h"
#include "qt_printers.h"

#include <gtest/gtest.h>

using namespace ralu;
using namespace ralu::testing;

namespace {

struct AnswerFixture : ::testing::Test {
    AppState state;
    FakeRtcClient rtc;
    CallEngine engine { state, &rtc };
    std::vector<CallEngine::CreditTimeAnswer> asked; // one per connection

    void SetUp() override
    {
        engine.setQueryCreditTime([this](CallEngine::CreditTimeAnswer answer) { asked.push_back(answer); });
        engine.prepareLoad();
        state.login.strUserName = QStringLiteral("1001");
        state.login.strLoginSIPIP = QStringLiteral("127.0.0.1");
        ASSERT_TRUE(engine.initializeRTC());
        engine.registerProfile();
        rtc.registration(RTCRS_REGISTERED);
    }

    QString afterTicks(int ticks)
    {
        for (int i = 0; i < ticks; ++i)
            CallEngineTestAccess::tick(engine, EngineTimer::CallClock);
        return engine.accountTimeText();
    }
};

} // namespace

TEST_F(AnswerFixture, CountdownStartsAtTheAnswerWithTheSecondsSinceTheConnectionTakenOff)
{
    engine.callClock().setRemaining(0, 5, 9); // what an earlier call left
    auto call = rtc.connectedCallFrom("sip:201@host");
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(afterTicks(1), QStringLiteral("Account's Time: 0:0:00")) << "no talk time known yet";
    EXPECT_EQ(afterTicks(1), QStringLiteral("Account's Time: 0:0:00"));
    asked[0](3725);
    EXPECT_EQ(afterTicks(1), QStringLiteral("Account's Time: 01:02:02")) << "3725 s less the three counted";
    EXPECT_EQ(engine.callTimeText(), QStringLiteral("00:00:02"));

    // An answer later than the talk time itself leaves nothing.
    rtc.session(call, RTCSS_DISCONNECTED);
    rtc.connectedCallFrom("sip:202@host");
    afterTicks(4);
    asked[1](3);
    EXPECT_EQ(afterTicks(1), QStringLiteral("Account's Time: 00:00:00"));
}

TEST_F(AnswerFixture, WithoutAnyGoodReplyTheSecondsTheCountdownHoldsAreSplit)
{
    rtc.connectedCallFrom("sip:201@host");
    asked[0](std::nullopt);
    EXPECT_EQ(afterTicks(1), QStringLiteral("Account's Time: 00:00:00"));
}

TEST_F(AnswerFixture, AnAnswerForACallThatIsOverChangesNothing)
{
    auto first = rtc.connectedCallFrom("sip:201@host");
    rtc.session(first, RTCSS_DISCONNECTED);
    asked[0](3725); // the call has ended
    EXPECT_EQ(engine.callClock().timesec, 0);
    EXPECT_FALSE(engine.callClock().timehr1.has_value());

    rtc.connectedCallFrom("sip:202@host");
    asked[0](3725); // the earlier call's, arriving during this one
    EXPECT_EQ(afterTicks(1), QStringLiteral("Account's Time: 0:0:00"));
    asked[1](59);
    EXPECT_EQ(afterTicks(1), QStringLiteral("Account's Time: 00:00:57"));
}
