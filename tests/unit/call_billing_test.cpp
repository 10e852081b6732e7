// The billing queries as calls come and go: the credit-time answer reaches
// the countdown later than the connection, which starts when it arrives,
// with the seconds already counted taken off; an answer for a call that is
// over changes nothing.
#include "CallEngineTestAccess.h"
#include "FakeHttpClient.h"
#include "FakeRtcClient.h"
#include "RegisteredPhone.h"
#include "account/CallBilling.h"
#include "engine/CallEngine.h"
#include "qt_printers.h"

#include <gtest/gtest.h>

using namespace ralu;
using namespace ralu::testing;

namespace {

struct CallBillingFixture : ::testing::Test {
    AppState state;
    FakeRtcClient rtc;
    CallEngine engine { state, &rtc };
    FakeHttp http;
    BillingClient billing { http, QStringLiteral("http://127.0.0.1:8088"), state.login };
    CallBilling billed { engine, billing };

    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(registerOnFakeClient(engine, state, rtc));
        answerAll({});
    }

    // Answers the queries waiting, in turn: the credit time with a reply of
    // credit (none when empty), the balance with none.
    void answerAll(const QByteArray &credit, int upTo = 1000)
    {
        for (; upTo > 0 && !http.waiting.empty(); --upTo) {
            const HttpRequest &r = http.requests[http.requests.size() - http.waiting.size()];
            http.answer(
                r.method == "POST" && !credit.isEmpty() ? HttpReply { true, 200, credit } : HttpReply {});
        }
    }

    QString afterTicks(int ticks)
    {
        for (int i = 0; i < ticks; ++i)
            CallEngineTestAccess::tick(engine, EngineTimer::CallClock);
        return CallEngineTestAccess::accountTimeText(engine);
    }
};

} // namespace

TEST_F(CallBillingFixture, CountdownStartsAtTheAnswerWithTheSecondsSinceTheConnectionTakenOff)
{
    CallEngineTestAccess::callClock(engine).setRemaining(0, 5, 9); // what an earlier call left
    auto call = rtc.connectedCallFrom("sip:201@host");
    EXPECT_EQ(afterTicks(1), QStringLiteral("Account's Time: 0:0:00")) << "no talk time known yet";
    EXPECT_EQ(afterTicks(1), QStringLiteral("Account's Time: 0:0:00"));
    answerAll("3725");
    EXPECT_EQ(afterTicks(1), QStringLiteral("Account's Time: 01:02:02")) << "3725 s less the three counted";
    EXPECT_EQ(CallEngineTestAccess::callTimeText(engine), QStringLiteral("00:00:02"));

    // An answer later than the talk time itself leaves nothing.
    rtc.session(call, RTCSS_DISCONNECTED);
    rtc.connectedCallFrom("sip:202@host");
    afterTicks(4);
    answerAll("3");
    EXPECT_EQ(afterTicks(1), QStringLiteral("Account's Time: 00:00:00"));
}

TEST_F(CallBillingFixture, WithoutAnyGoodReplyTheSecondsTheCountdownHoldsAreSplit)
{
    rtc.connectedCallFrom("sip:201@host");
    answerAll({});
    EXPECT_EQ(afterTicks(1), QStringLiteral("Account's Time: 00:00:00"));
}

TEST_F(CallBillingFixture, AnAnswerForACallThatIsOverChangesNothing)
{
    auto first = rtc.connectedCallFrom("sip:201@host");
    rtc.session(first, RTCSS_DISCONNECTED);
    rtc.connectedCallFrom("sip:202@host");
    answerAll("3725", 1); // the first call's, arriving during the second
    EXPECT_EQ(afterTicks(1), QStringLiteral("Account's Time: 0:0:00"));
    answerAll("59");
    EXPECT_EQ(afterTicks(1), QStringLiteral("Account's Time: 00:00:57"));
}
