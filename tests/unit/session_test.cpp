// Session states and incoming calls, driven through the call engine with a
// fake client: statuses, timers, history entries, and second callers.
#include "CallEngineTestAccess.h"
#include "FakeMessageBoxes.h"
#include "FakeRtcClient.h"
#include "engine/CallEngine.h"
#include "engine/CallerNumber.h"
#include "qt_printers.h"

#include <QSignalSpy>
#include <QThread>
#include <functional>
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
    EXPECT_EQ(CallerNumber::userPart(QStringLiteral("sip:201@host")), QStringLiteral("201"));
    EXPECT_EQ(CallerNumber::userPart(QStringLiteral("sip:+44123@10.0.0.1:5060")), QStringLiteral("+44123"));
    EXPECT_EQ(CallerNumber::userPart(QStringLiteral("201")), QStringLiteral("201"));
    EXPECT_EQ(CallerNumber::userPart(QStringLiteral("anna@host")), QStringLiteral("anna"));
    EXPECT_EQ(CallerNumber::userPart(QString()), QString());
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

// ---- how a call ended ----

TEST_F(SessionFixture, AFailedCallSaysWhyForAboutThreeSecondsAndANormalEndAsEver)
{
    const struct {
        RtcCallEnd end;
        const char *text;
    } cases[] = {
        { RTCCE_BUSY, "Busy" },
        { RTCCE_DECLINED, "Call declined" },
        { RTCCE_NOT_FOUND, "Number not found" },
        { RTCCE_UNAVAILABLE, "Not reachable" },
        { RTCCE_NO_ANSWER, "No answer" },
        { RTCCE_NO_CODEC, "No common codec" },
        { RTCCE_NETWORK, "Network error" },
        { RTCCE_OTHER, "Call failed" },
        { RTCCE_NONE, "Disconnected" },
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.text);
        engine.setNumberText(QStringLiteral("555"));
        ASSERT_TRUE(engine.dial(QStringLiteral("555")));
        rtc.session(rtc.createdSessions.back(), RTCSS_INPROGRESS);
        rtc.session(rtc.createdSessions.back(), RTCSS_DISCONNECTED, c.end);
        EXPECT_EQ(engine.statusText(), QLatin1String(c.text));
        const int shown = engine.intervalOf(EngineTimer::Ready);
        if (c.end == RTCCE_NONE)
            EXPECT_EQ(shown, 2);
        else
            EXPECT_TRUE(shown >= 2500 && shown <= 4000) << shown;
        CallEngineTestAccess::tick(engine, EngineTimer::Ready);
        EXPECT_EQ(engine.statusText(), QStringLiteral("Registered and Ready.."));
        EXPECT_TRUE(engine.numberText().isEmpty());
    }
}

TEST_F(SessionFixture, WhatComesWhileAFailureIsShownOutlivesTheReadyTick)
{
    const struct {
        const char *what;
        std::function<void()> meanwhile;
        QString status, number; // after the tick
    } cases[] = {
        { "a number typed", [this] { engine.setNumberText(QStringLiteral("556")); }, "Registered and Ready..",
            "556" },
        { "a registration event", [this] { rtc.registration(RTCRS_NOT_REGISTERED); }, "Not Registered", "" },
        { "the same number dialed again", [this] { engine.dial(engine.numberText()); }, "Busy", "555" },
        { "an offer", [this] { offer("sip:201@host"); }, "Incoming: 201", "" },
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        engine.setNumberText(QStringLiteral("555"));
        ASSERT_TRUE(engine.dial(QStringLiteral("555")));
        rtc.session(rtc.createdSessions.back(), RTCSS_DISCONNECTED, RTCCE_BUSY);
        c.meanwhile();
        CallEngineTestAccess::tick(engine, EngineTimer::Ready);
        EXPECT_EQ(engine.statusText(), c.status);
        EXPECT_EQ(engine.numberText(), c.number);
        if (engine.callLive()) // the new call ends normally
            rtc.session(rtc.createdSessions.back(), RTCSS_DISCONNECTED);
    }
}

// ---- the caller's number ----

TEST_F(SessionFixture, CallersNumberIsShownAndLoggedAsWhatASipUserPartCanHold)
{
    const QString bad(QChar::ReplacementCharacter);
    const struct {
        QString user, number;
    } cases[] = {
        { "1002", "1002" },
        { "alice", "alice" },
        { "+1-212-555-0100;phone-context=x", "+1-212-555-0100;phone-context=x" },
        { "*21#", "*21#" },
        { QStringLiteral("\u202E1234567"), bad + "1234567" }, // would show 7654321
        { QStringLiteral("12\u202834"), "12" + bad + "34" }, // would split the status line
        { QStringLiteral("12\u200B34"), "12" + bad + "34" }, // invisible
        { QStringLiteral("1\t2\v3\f4\u00855\x7f 6"), QString("1_2_3_4_5__6").replace('_', bad) },
        { QStringLiteral("\uFF11\uFF12"), bad + bad }, // full-width digits look like ours
        { QStringLiteral("Zo\u00EB\U0001F600"), "Zo" + bad + bad }, // one replacement per character
        { "<b>1</b>", bad + "b" + bad + "1" + bad + "/b" + bad },
        { QString(CallerNumber::kMaxChars + 1000, QLatin1Char('5')),
            QString(CallerNumber::kMaxChars, QLatin1Char('5')) + QChar(0x2026) },
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.user.left(40).toStdString());
        history.clear();
        auto call = offer(("sip:" + c.user + "@host").toStdString());
        EXPECT_EQ(engine.statusText(), "Incoming: " + c.number);
        rtc.session(call, RTCSS_DISCONNECTED);
        EXPECT_EQ(history, QStringList { "M:" + c.number });
    }
}
