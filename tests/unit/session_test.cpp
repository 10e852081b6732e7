// Session states and incoming calls, driven through the call engine with a
// fake client: statuses, timers, history entries, and second callers.
#include "CallEngineTestAccess.h"
#include "FakeMessageBoxes.h"
#include "FakeRtcClient.h"
#include "engine/CallEngine.h"
#include "qt_printers.h"

#include <QSignalSpy>
#include <QThread>
#include <gtest/gtest.h>

using namespace ralu;
using namespace ralu::testing;

namespace {

struct SessionFixture : ::testing::Test {
    AppState state;
    FakeRtcClient rtc;
    FakeMessageBoxes boxes;
    CallEngine engine { state, &rtc };
    QStringList history; // "M:201" ...
    QStringList effects; // outside effects in order
    int flashes = 0;

    void SetUp() override
    {
        engine.setAddRecentCall([this](const QString &n, int kind) {
            history << QStringLiteral("%1:%2").arg(kind == 2 ? 'D' : kind == 1 ? 'R' : 'M').arg(n);
        });
        engine.setUpdateBalance([this] { effects << QStringLiteral("balance"); });
        engine.setQueryCreditTime([this] { effects << QStringLiteral("credit"); });
        QObject::connect(&engine, &CallEngine::flashWindowRequested, [this] { ++flashes; });
        engine.prepareLoad();
        state.login.strUserName = QStringLiteral("1001");
        state.login.strLoginSIPIP = QStringLiteral("127.0.0.1");
        ASSERT_TRUE(engine.initializeRTC());
        engine.registerProfile();
        rtc.registration(RTCRS_REGISTERED);
        effects.clear();
    }

    std::shared_ptr<FakeSession> offer(const std::string &uri)
    {
        auto s = FakeSession::offeredBy(uri);
        rtc.session(s, RTCSS_INCOMING);
        return s;
    }
};

} // namespace

TEST_F(SessionFixture, OfferRingsFlashesAndShowsTheCaller)
{
    auto call = offer("sip:201@host");
    EXPECT_EQ(engine.statusText(), QStringLiteral("Incoming: 201"));
    EXPECT_EQ(engine.incoming(), 1);
    EXPECT_EQ(engine.callerNumber(), QStringLiteral("201"));
    EXPECT_EQ(engine.currentSession(), call.get());
    EXPECT_TRUE(engine.isRunning(EngineTimer::Ring));
    EXPECT_EQ(engine.intervalOf(EngineTimer::Ring), 2000);
    EXPECT_TRUE(engine.isRunning(EngineTimer::Flash));
    EXPECT_EQ(engine.intervalOf(EngineTimer::Flash), 500);
    EXPECT_EQ(rtc.rings, 0) << "the first ring sounds one interval after the offer";
    CallEngineTestAccess::tick(engine, EngineTimer::Ring);
    EXPECT_EQ(rtc.rings, 1);
    EXPECT_FALSE(engine.inCallControls()) << "a call ringing in leaves the controls idle";
}

TEST_F(SessionFixture, CallerNumberIsTheUserPartOfTheAddress)
{
    EXPECT_EQ(CallEngine::userPart(QStringLiteral("sip:201@host")), QStringLiteral("201"));
    EXPECT_EQ(CallEngine::userPart(QStringLiteral("sip:+44123@10.0.0.1:5060")), QStringLiteral("+44123"));
    EXPECT_EQ(CallEngine::userPart(QStringLiteral("201")), QStringLiteral("201"));
    EXPECT_EQ(CallEngine::userPart(QStringLiteral("anna@host")), QStringLiteral("anna"));
    EXPECT_EQ(CallEngine::userPart(QString()), QString());
}

TEST_F(SessionFixture, OfferWithoutOneParticipantKeepsTheOldTexts)
{
    engine.setStatusText(QStringLiteral("Registered and Ready..."));
    auto s = std::make_shared<FakeSession>();
    rtc.session(s, RTCSS_INCOMING);
    EXPECT_EQ(engine.statusText(), QStringLiteral("Registered and Ready..."));
    EXPECT_EQ(engine.incoming(), 1);
    EXPECT_EQ(engine.currentSession(), s.get());
}

TEST_F(SessionFixture, AnsweredIncomingCallLogsReceivedOnly)
{
    auto call = offer("sip:201@host");
    rtc.session(call, RTCSS_ANSWERING);
    EXPECT_FALSE(engine.isRunning(EngineTimer::Ring));
    EXPECT_FALSE(engine.isRunning(EngineTimer::Flash));
    rtc.session(call, RTCSS_CONNECTED);
    EXPECT_EQ(engine.statusText(), QStringLiteral("Connected"));
    EXPECT_EQ(effects, (QStringList { "credit", "balance" }));
    EXPECT_TRUE(engine.isRunning(EngineTimer::CallClock));
    EXPECT_TRUE(engine.inCallControls());
    EXPECT_FALSE(engine.loginButtonsEnabled());
    EXPECT_EQ(engine.incoming(), 0);
    EXPECT_EQ(history, QStringList { "R:201" });

    rtc.session(call, RTCSS_DISCONNECTED);
    EXPECT_EQ(history, QStringList { "R:201" }) << "no missed entry for an answered call";
    EXPECT_FALSE(engine.missedIndicatorShown());
    EXPECT_EQ(engine.statusText(), QStringLiteral("Disconnected"));
    EXPECT_FALSE(engine.currentSession());
    EXPECT_FALSE(engine.hasParticipant());
    EXPECT_FALSE(engine.inCallControls());
    EXPECT_FALSE(engine.isRunning(EngineTimer::CallClock));
    EXPECT_TRUE(engine.loginButtonsEnabled());
    EXPECT_TRUE(engine.isRunning(EngineTimer::Ready));
    EXPECT_EQ(effects.count(QStringLiteral("balance")), 2);
}

TEST_F(SessionFixture, AbandonedOfferIsMissedAndBlinks)
{
    engine.setNumberText(QStringLiteral("555"));
    auto call = offer("sip:201@host");
    rtc.session(call, RTCSS_DISCONNECTED);
    EXPECT_EQ(history, QStringList { "M:201" });
    EXPECT_TRUE(engine.missedIndicatorShown());
    EXPECT_TRUE(engine.isRunning(EngineTimer::MissedBlink));
    EXPECT_FALSE(engine.isRunning(EngineTimer::Ring));
    EXPECT_FALSE(engine.isRunning(EngineTimer::Flash));
    EXPECT_EQ(engine.incoming(), 0);
    EXPECT_EQ(engine.statusText(), QStringLiteral("Disconnected"));

    // Red and white in turn.
    EXPECT_TRUE(engine.missedFrameRed());
    CallEngineTestAccess::tick(engine, EngineTimer::MissedBlink);
    EXPECT_FALSE(engine.missedFrameRed());
    CallEngineTestAccess::tick(engine, EngineTimer::MissedBlink);
    EXPECT_TRUE(engine.missedFrameRed());

    QSignalSpy spy(&engine, &CallEngine::statusTextChanged);
    ASSERT_TRUE(spy.wait(1000));
    EXPECT_EQ(engine.statusText(), QStringLiteral("Registered and Ready.."));
    EXPECT_TRUE(engine.numberText().isEmpty());

    engine.acknowledgeMissedCalls();
    EXPECT_FALSE(engine.missedIndicatorShown());
    EXPECT_FALSE(engine.isRunning(EngineTimer::MissedBlink));
    EXPECT_TRUE(state.openRecentOnMissed);
}

TEST_F(SessionFixture, OutgoingCallStates)
{
    ASSERT_TRUE(engine.dial(QStringLiteral("555")));
    history.clear();
    auto call = rtc.createdSessions.back();
    rtc.session(call, RTCSS_INPROGRESS);
    EXPECT_EQ(engine.statusText(), QStringLiteral("Inprogress"));
    EXPECT_TRUE(engine.calling());
    EXPECT_FALSE(engine.loginButtonsEnabled());
    rtc.session(call, RTCSS_CONNECTED);
    EXPECT_TRUE(history.isEmpty()) << "the engine logs no outgoing call";
    rtc.session(call, RTCSS_DISCONNECTED);
    EXPECT_FALSE(engine.calling());
    EXPECT_TRUE(history.isEmpty());
    EXPECT_FALSE(engine.missedIndicatorShown());
}

TEST_F(SessionFixture, IdleHoldReferAndMedia)
{
    ASSERT_TRUE(engine.dial(QStringLiteral("555")));
    auto call = rtc.createdSessions.back();
    rtc.session(call, RTCSS_IDLE);
    EXPECT_EQ(engine.statusText(), QStringLiteral("IDLE"));
    rtc.session(call, RTCSS_HOLD);
    rtc.session(call, RTCSS_REFER);
    RtcEvent media;
    media.type = RTCE_MEDIA;
    rtc.handler(RTCE_MEDIA, media);
    EXPECT_EQ(engine.statusText(), QStringLiteral("IDLE"));
}

TEST_F(SessionFixture, ClocksRunFromConnection)
{
    auto call = offer("sip:201@host");
    engine.callClock().setRemaining(0, 5, 9);
    rtc.session(call, RTCSS_CONNECTED);
    CallEngineTestAccess::tick(engine, EngineTimer::CallClock);
    EXPECT_EQ(engine.callTimeText(), QStringLiteral("00:00:00"));
    EXPECT_EQ(engine.accountTimeText(), QStringLiteral("Account's Time: 00:05:08"));
    for (int i = 0; i < 60; ++i)
        CallEngineTestAccess::tick(engine, EngineTimer::CallClock);
    EXPECT_EQ(engine.callTimeText(), QStringLiteral("00:01:00"));
    rtc.session(call, RTCSS_DISCONNECTED);
    EXPECT_TRUE(engine.callTimeText().isEmpty());
    EXPECT_FALSE(engine.accountTimeText().isEmpty()) << "the account time stays until the next call";
}

// ---- a second caller ----

TEST_F(SessionFixture, SecondCallerDuringAConnectedCallIsNotTaken)
{
    auto first = offer("sip:201@host");
    rtc.session(first, RTCSS_CONNECTED);
    history.clear();
    flashes = 0;

    auto second = offer("sip:302@host");
    EXPECT_EQ(engine.currentSession(), first.get());
    EXPECT_EQ(engine.statusText(), QStringLiteral("Connected"));
    EXPECT_EQ(engine.callerNumber(), QStringLiteral("201"));
    EXPECT_EQ(engine.incoming(), 0);
    EXPECT_FALSE(engine.isRunning(EngineTimer::Ring));
    EXPECT_TRUE(engine.isRunning(EngineTimer::Flash)) << "the window still draws attention";

    // The second caller gives up: logged under its own number, nothing else.
    rtc.session(second, RTCSS_DISCONNECTED);
    EXPECT_EQ(history, QStringList { "M:302" });
    EXPECT_EQ(engine.currentSession(), first.get());
    EXPECT_EQ(engine.statusText(), QStringLiteral("Connected"));
    EXPECT_TRUE(engine.inCallControls());
    EXPECT_TRUE(engine.isRunning(EngineTimer::CallClock));
    EXPECT_FALSE(engine.missedIndicatorShown());
    EXPECT_FALSE(engine.isRunning(EngineTimer::Flash));

    // The connected call can still be ended, and ends normally.
    rtc.session(first, RTCSS_DISCONNECTED);
    EXPECT_EQ(engine.statusText(), QStringLiteral("Disconnected"));
    EXPECT_EQ(history, QStringList { "M:302" });
}

TEST_F(SessionFixture, OfferDuringAnOutgoingCallDoesNotTakeItOver)
{
    ASSERT_TRUE(engine.dial(QStringLiteral("555")));
    history.clear();
    auto outgoing = rtc.createdSessions.back();
    rtc.session(outgoing, RTCSS_INPROGRESS);
    auto caller = offer("sip:302@host");
    EXPECT_EQ(engine.currentSession(), outgoing.get());
    EXPECT_EQ(engine.statusText(), QStringLiteral("Inprogress"));
    rtc.session(outgoing, RTCSS_CONNECTED);
    EXPECT_EQ(engine.statusText(), QStringLiteral("Connected"));
    rtc.session(caller, RTCSS_DISCONNECTED);
    EXPECT_EQ(history, QStringList { "M:302" });
    EXPECT_EQ(engine.currentSession(), outgoing.get());
}

TEST_F(SessionFixture, SecondOfferReplacesARingingOneAndBothEndsAreLoggedRight)
{
    auto first = offer("sip:201@host");
    auto second = offer("sip:302@host");
    EXPECT_EQ(engine.currentSession(), second.get());
    EXPECT_EQ(engine.statusText(), QStringLiteral("Incoming: 302"));

    // The first caller gives up: its own missed entry; the second keeps ringing.
    rtc.session(first, RTCSS_DISCONNECTED);
    EXPECT_EQ(history, QStringList { "M:201" });
    EXPECT_TRUE(engine.isRunning(EngineTimer::Ring));
    EXPECT_TRUE(engine.isRunning(EngineTimer::Flash));
    EXPECT_EQ(engine.incoming(), 1);
    EXPECT_EQ(engine.statusText(), QStringLiteral("Incoming: 302"));
    EXPECT_FALSE(engine.missedIndicatorShown());

    rtc.session(second, RTCSS_DISCONNECTED);
    EXPECT_EQ(history, (QStringList { "M:201", "M:302" }));
    EXPECT_TRUE(engine.missedIndicatorShown());
}

TEST_F(SessionFixture, LateEventsOfAnEndedCallChangeNothing)
{
    auto call = offer("sip:201@host");
    rtc.session(call, RTCSS_DISCONNECTED);
    history.clear();
    engine.setStatusText(QStringLiteral("Registered and Ready.."));
    rtc.session(call, RTCSS_CONNECTED);
    rtc.session(call, RTCSS_DISCONNECTED);
    EXPECT_EQ(engine.statusText(), QStringLiteral("Registered and Ready.."));
    EXPECT_TRUE(history.isEmpty());
}

TEST_F(SessionFixture, OfferWhileInTrayAsksToRestoreBeforeRinging)
{
    QStringList order;
    QObject::connect(&engine, &CallEngine::restoreFromTrayRequested, [&] {
        order << (engine.isRunning(EngineTimer::Ring) ? QStringLiteral("restore-after-ring")
                                                      : QStringLiteral("restore"));
    });
    state.blnInTray = true;
    offer("sip:201@host");
    EXPECT_EQ(order, QStringList { "restore" });
    state.blnInTray = false;
    offer("sip:202@host");
    EXPECT_EQ(order, QStringList { "restore" });
}

TEST_F(SessionFixture, ResumeAfterHoldIsNoNewConnection)
{
    auto call = rtc.connectedCallFrom("sip:201@host");
    for (int i = 0; i < 3; ++i)
        CallEngineTestAccess::tick(engine, EngineTimer::CallClock);
    effects.clear();
    rtc.session(call, RTCSS_HOLD);
    rtc.session(call, RTCSS_CONNECTED);
    EXPECT_TRUE(effects.isEmpty()) << "credit time and balance are not fetched again";
    CallEngineTestAccess::tick(engine, EngineTimer::CallClock);
    EXPECT_EQ(engine.callTimeText(), QStringLiteral("00:00:03")) << "the call clock runs on";
    EXPECT_EQ(history, QStringList { "R:201" });
}

TEST_F(SessionFixture, SecondOfferKeepsTheRingPhase)
{
    offer("sip:201@host");
    QThread::msleep(50);
    const int left = CallEngineTestAccess::remaining(engine, EngineTimer::Ring);
    offer("sip:302@host");
    EXPECT_LE(CallEngineTestAccess::remaining(engine, EngineTimer::Ring), left);
}

TEST_F(SessionFixture, OffersNobodyCanAnswerAreDeclinedBusyAtOnce)
{
    auto first = offer("sip:201@host");
    auto second = offer("sip:302@host"); // replaces the first while it rings
    EXPECT_EQ(first->terminations, std::vector<RtcTerminateReason> { RTCTR_BUSY });
    EXPECT_TRUE(second->terminations.empty());
    rtc.session(second, RTCSS_CONNECTED);
    auto third = offer("sip:403@host"); // during a connected call
    EXPECT_EQ(third->terminations, std::vector<RtcTerminateReason> { RTCTR_BUSY });
    rtc.session(first, RTCSS_DISCONNECTED);
    rtc.session(third, RTCSS_DISCONNECTED);
    EXPECT_EQ(history, (QStringList { "R:302", "M:201", "M:403" }));
    EXPECT_EQ(engine.callState(), CallState::Connected);
    EXPECT_EQ(engine.currentSession(), second.get());
}
