// Placing a call: the checks in their order, the dialing sound, the history
// entry, the session; the dial and end buttons; in-call touch tones.
#include "CallEngineTestAccess.h"
#include "FakeMessageBoxes.h"
#include "FakeRtcClient.h"
#include "RegisteredPhone.h"
#include "calls/CallHistoryRecorder.h"
#include "calls/Dialer.h"
#include "calls/KeyTones.h"
#include "engine/CallEngine.h"
#include "qt_printers.h"

#include <gtest/gtest.h>

using namespace ralu;
using namespace ralu::testing;

namespace {

struct DialerFixture : ::testing::Test {
    AppState state;
    FakeRtcClient rtc;
    FakeMessageBoxes boxes;
    CallEngine engine { state, &rtc };
    QStringList sound; // "Tone1.wav", "pause 100", ...
    QStringList history; // "D:555"
    Dialer dialer { engine, state, boxes, [this](const QString &t) { sound << t; },
        [this](int ms) { sound << QStringLiteral("pause %1").arg(ms); } };
    CallHistoryRecorder recorder { engine.session(),
        [this](const QString &n, CallKind kind) { history << kindLetter(kind) + QLatin1Char(':') + n; } };

    void SetUp() override { ASSERT_NO_FATAL_FAILURE(registerOnFakeClient(engine, state, rtc)); }

    void dial(const QString &number)
    {
        boxes.shown.clear();
        sound.clear();
        history.clear();
        rtc.calls.clear();
        engine.presenter().setNumberText(number);
        dialer.makeCall();
    }

    QString onlyMessage() const
    {
        return boxes.shown.size() == 1 ? boxes.shown[0].text
                                       : QStringLiteral("<%1 boxes>").arg(boxes.shown.size());
    }
};

} // namespace

TEST_F(DialerFixture, RegistrationIsCheckedFirst)
{
    rtc.registration(RTCRS_REJECTED);
    for (const QString &number : { QString(), QStringLiteral("1001"), QStringLiteral("12a") }) {
        state.blnSoundFunError = true;
        dial(number);
        EXPECT_EQ(onlyMessage(), QStringLiteral("Sorry, you are not registered, please Login again"));
        EXPECT_EQ(boxes.shown[0].icon, MessageBoxes::Icon::None);
        EXPECT_TRUE(sound.isEmpty());
        EXPECT_TRUE(rtc.createdSessions.empty());
        EXPECT_EQ(engine.presenter().numberText(), number);
    }
}

TEST_F(DialerFixture, ChecksInTheirOrderWithTheirIcons)
{
    dial(QString());
    EXPECT_EQ(onlyMessage(), QStringLiteral("Enter number to call"));
    EXPECT_EQ(boxes.shown[0].icon, MessageBoxes::Icon::None);

    state.blnSoundFunError = true;
    dial(QStringLiteral("1001"));
    EXPECT_EQ(onlyMessage(), QStringLiteral("You Are Trying To Call Your Self"));
    EXPECT_EQ(boxes.shown[0].icon, MessageBoxes::Icon::Error);

    dial(QStringLiteral("555"));
    EXPECT_EQ(onlyMessage(), QStringLiteral("Install Suitable Sound Card "));
    EXPECT_EQ(boxes.shown[0].icon, MessageBoxes::Icon::Information);
    EXPECT_TRUE(sound.isEmpty());
    EXPECT_TRUE(history.isEmpty());
}

TEST_F(DialerFixture, OwnNumberWithABlankIsRefusedAtTheBlank)
{
    dial(QStringLiteral(" 1001"));
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_EQ(engine.presenter().statusText(), QStringLiteral("Numbers 0 to 9 only, please!"));
    EXPECT_TRUE(sound.isEmpty());
}

TEST_F(DialerFixture, BadCharacterStopsAfterTheTonesBeforeIt)
{
    engine.presenter().setInCallControls();
    dial(QStringLiteral("12a3"));
    EXPECT_EQ(sound, (QStringList { "Tone1.wav", "pause 100", "Tone2.wav", "pause 100" }));
    EXPECT_EQ(engine.presenter().statusText(), QStringLiteral("Numbers 0 to 9 only, please!"));
    EXPECT_FALSE(CallEngineTestAccess::inCallControls(engine));
    EXPECT_TRUE(history.isEmpty());
    EXPECT_TRUE(rtc.createdSessions.empty());
    EXPECT_EQ(engine.presenter().numberText(), QStringLiteral("12a3"));

    dial(QStringLiteral("   "));
    EXPECT_TRUE(sound.isEmpty());
    EXPECT_EQ(engine.presenter().statusText(), QStringLiteral("Numbers 0 to 9 only, please!"));
    dial(QStringLiteral("555 "));
    EXPECT_TRUE(history.isEmpty()) << "a trailing blank is a bad character too";
}

TEST_F(DialerFixture, HashSoundsThenIsRefused)
{
    dial(QStringLiteral("12#"));
    EXPECT_EQ(sound, (QStringList { "Tone1.wav", "pause 100", "Tone2.wav", "pause 100", "Tonepnd.wav" }));
    EXPECT_EQ(onlyMessage(), QStringLiteral("Invalid SIP URI"));
    EXPECT_EQ(boxes.shown[0].icon, MessageBoxes::Icon::Error);
    EXPECT_TRUE(history.isEmpty());
    EXPECT_TRUE(rtc.createdSessions.empty());
}

TEST_F(DialerFixture, ValidNumberIsSoundedLoggedAndCalled)
{
    dial(QStringLiteral("12*34"));
    EXPECT_EQ(sound,
        (QStringList { "Tone1.wav", "pause 100", "Tone2.wav", "pause 100", "Tonestar.wav", "pause 100",
            "Tone3.wav", "pause 100", "Tone4.wav" }));
    EXPECT_EQ(history, QStringList { "D:12*34" });
    EXPECT_EQ(rtc.calls, QStringList { "createSession 1 null 1" });
    ASSERT_EQ(rtc.createdSessions.size(), 1u);
    const auto &session = rtc.createdSessions[0];
    ASSERT_EQ(session->added.size(), 1u);
    EXPECT_EQ(session->added[0].first, "sip:12*34@127.0.0.1");
    EXPECT_EQ(session->added[0].second, "Any Name");
    EXPECT_EQ(CallEngineTestAccess::currentSession(engine), session.get());
    EXPECT_TRUE(CallEngineTestAccess::hasParticipant(engine));
    EXPECT_TRUE(CallEngineTestAccess::inCallControls(engine));
}

TEST_F(DialerFixture, RefusedSessionLeavesTheWindowIdleButLogged)
{
    rtc.failing.insert("createSession");
    engine.presenter().setStatusText(QStringLiteral("Registered and Ready..."));
    dial(QStringLiteral("555"));
    EXPECT_EQ(history, QStringList { "D:555" }) << "the attempt is still logged";
    EXPECT_FALSE(CallEngineTestAccess::inCallControls(engine));
    EXPECT_FALSE(CallEngineTestAccess::currentSession(engine));
    EXPECT_EQ(engine.presenter().statusText(), QStringLiteral("Call failed"));
}

TEST_F(DialerFixture, RefusedParticipantLeavesTheWindowIdle)
{
    // A client whose sessions refuse every participant.
    struct Refusing : FakeRtcClient {
        std::shared_ptr<RtcSession> createSession(
            RtcSessionType t, const std::string *l, const std::shared_ptr<RtcProfile> &p, long f) override
        {
            auto s = std::static_pointer_cast<FakeSession>(FakeRtcClient::createSession(t, l, p, f));
            s->failAddParticipant = true;
            return s;
        }
    } refusing;
    CallEngine e { state, &refusing };
    Dialer d { e, state, boxes, {}, {} };
    e.prepareLoad();
    state.login.strUserName = QStringLiteral("1001");
    state.login.strLoginSIPIP = QStringLiteral("127.0.0.1");
    ASSERT_TRUE(e.initializeRTC());
    e.registerAccount();
    refusing.registration(RTCRS_REGISTERED);
    e.presenter().setNumberText(QStringLiteral("555"));
    d.makeCall();
    EXPECT_FALSE(CallEngineTestAccess::inCallControls(e));
    EXPECT_FALSE(CallEngineTestAccess::currentSession(e));
    EXPECT_EQ(e.presenter().statusText(), QStringLiteral("Call failed"));
}

TEST_F(DialerFixture, DialButtonAnswersARingingCall)
{
    auto call = FakeSession::offeredBy("sip:201@host");
    rtc.session(call, RTCSS_INCOMING);
    engine.presenter().setNumberText(QStringLiteral("555"));
    dialer.dialButton();
    EXPECT_EQ(call->answers, 1);
    EXPECT_TRUE(rtc.createdSessions.empty());
    EXPECT_EQ(engine.presenter().numberText(), QStringLiteral("555"));
}

TEST_F(DialerFixture, DialButtonAsksForANumberAndWaitsDuringAnOutgoingCall)
{
    engine.presenter().setNumberText(QString());
    dialer.dialButton();
    EXPECT_EQ(onlyMessage(), QStringLiteral("Please enter number to Dial"));

    boxes.shown.clear();
    engine.presenter().setNumberText(QStringLiteral("555"));
    ASSERT_TRUE(engine.session().dial(QStringLiteral("777")));
    auto outgoing = rtc.createdSessions.back();
    rtc.session(outgoing, RTCSS_INPROGRESS);
    dialer.dialButton();
    EXPECT_EQ(rtc.createdSessions.size(), 1u);
    EXPECT_TRUE(boxes.shown.empty());

    rtc.session(outgoing, RTCSS_DISCONNECTED);
    dialer.dialButton();
    EXPECT_EQ(rtc.createdSessions.size(), 2u);
}

TEST_F(DialerFixture, EndButtonRejectsRingingAsBusyAndEndsOthersNormally)
{
    dialer.endButton(); // no call: nothing happens
    auto call = FakeSession::offeredBy("sip:201@host");
    rtc.session(call, RTCSS_INCOMING);
    ASSERT_TRUE(CallEngineTestAccess::isRunning(engine, EngineTimer::Ring));
    dialer.endButton();
    EXPECT_EQ(call->terminations, std::vector<RtcTerminateReason> { RTCTR_BUSY });
    EXPECT_FALSE(CallEngineTestAccess::isRunning(engine, EngineTimer::Ring));

    ASSERT_TRUE(engine.session().dial(QStringLiteral("777")));
    auto outgoing = rtc.createdSessions.back();
    rtc.session(outgoing, RTCSS_CONNECTED);
    dialer.endButton();
    EXPECT_EQ(outgoing->terminations, std::vector<RtcTerminateReason> { RTCTR_NORMAL });
}

TEST_F(DialerFixture, EnterDialsEvenWhileACallRingsIn)
{
    auto call = FakeSession::offeredBy("sip:201@host");
    rtc.session(call, RTCSS_INCOMING);
    dial(QStringLiteral("555"));
    EXPECT_EQ(call->answers, 0);
    EXPECT_EQ(rtc.createdSessions.size(), 1u);
}

TEST_F(DialerFixture, NoCallIsPlacedOverALiveCallFromAnywhere)
{
    // Being answered, being placed, in progress, connected either way.
    const std::vector<std::vector<RtcSessionState>> lives = { { RTCSS_INCOMING, RTCSS_ANSWERING }, {},
        { RTCSS_INPROGRESS }, { RTCSS_INPROGRESS, RTCSS_CONNECTED }, { RTCSS_INCOMING, RTCSS_CONNECTED } };
    for (const auto &steps : lives) {
        std::shared_ptr<FakeSession> live;
        if (!steps.empty() && steps.front() == RTCSS_INCOMING) {
            live = FakeSession::offeredBy("sip:201@host");
        } else {
            ASSERT_TRUE(engine.session().dial(QStringLiteral("777")));
            live = rtc.createdSessions.back();
        }
        for (RtcSessionState step : steps)
            rtc.session(live, step);
        const size_t sessions = rtc.createdSessions.size();
        dial(QStringLiteral("42")); // Enter in the number box
        EXPECT_FALSE(dialer.callNumber(QStringLiteral("5551234"))); // phone book, history
        EXPECT_EQ(rtc.createdSessions.size(), sessions) << steps.size();
        EXPECT_TRUE(sound.isEmpty()) << "no digits go out into the live call";
        EXPECT_TRUE(history.isEmpty());
        EXPECT_EQ(engine.presenter().numberText(), QStringLiteral("42"));
        EXPECT_EQ(CallEngineTestAccess::currentSession(engine), live.get());
        dialer.endButton();
        EXPECT_EQ(live->terminations.size(), 1u) << "the end button still ends the live call";
        rtc.session(live, RTCSS_DISCONNECTED);
    }
}

TEST_F(DialerFixture, DialingOverACallRingingInDeclinesItAsMissedFirst)
{
    auto offer = FakeSession::offeredBy("sip:201@host");
    rtc.session(offer, RTCSS_INCOMING);
    dial(QStringLiteral("555"));
    EXPECT_EQ(offer->terminations, std::vector<RtcTerminateReason> { RTCTR_BUSY });
    EXPECT_EQ(history, (QStringList { "M:201", "D:555" }));
    EXPECT_FALSE(CallEngineTestAccess::isRunning(engine, EngineTimer::Ring));
    EXPECT_FALSE(CallEngineTestAccess::isRunning(engine, EngineTimer::Flash));

    auto outgoing = rtc.createdSessions.back();
    rtc.session(offer, RTCSS_DISCONNECTED); // the declined caller's end
    EXPECT_EQ(CallEngineTestAccess::currentSession(engine), outgoing.get());
    rtc.session(outgoing, RTCSS_INPROGRESS);
    rtc.session(outgoing, RTCSS_CONNECTED);
    rtc.session(outgoing, RTCSS_DISCONNECTED);
    EXPECT_EQ(history, (QStringList { "M:201", "D:555" })) << "no false received entry, no second missed one";

    // The same when the client will not place the call: nothing keeps ringing.
    offer = FakeSession::offeredBy("sip:302@host");
    rtc.session(offer, RTCSS_INCOMING);
    rtc.failing.insert("createSession");
    dial(QStringLiteral("555"));
    EXPECT_EQ(engine.presenter().statusText(), QStringLiteral("Call failed"));
    EXPECT_FALSE(CallEngineTestAccess::isRunning(engine, EngineTimer::Ring));
    EXPECT_EQ(engine.session().state(), CallState::Idle);
    rtc.failing.clear();
    dialer.dialButton();
    EXPECT_EQ(rtc.createdSessions.size(), 2u) << "the dial button works again";
}

TEST(KeyTonesTest, ConnectedSendsTouchTonesOtherwisePlaysLocally)
{
    AppState state;
    FakeRtcClient rtc;
    FakeMessageBoxes boxes;
    CallEngine engine { state, &rtc };
    ASSERT_TRUE(engine.initializeRTC());
    QStringList local;
    KeyTones tones { engine, [&](const QString &t) { local << t; } };

    auto call = rtc.connectedCallFrom("sip:201@host");
    for (const char *name :
        { "Tone0.wav", "TONE9.WAV", "Tonestar.wav", "tonepnd.wav", "Tone10.wav", "bogus" })
        tones.playDtmf(QString::fromLatin1(name));
    EXPECT_EQ(rtc.dtmf, (std::vector<RtcDtmf> { RTC_DTMF_0, RTC_DTMF_9, RTC_DTMF_STAR, RTC_DTMF_POUND }));
    EXPECT_TRUE(local.isEmpty());

    engine.presenter().setStatusText(QStringLiteral("Registered and Ready...")); // still connected
    tones.playDtmf(QStringLiteral("Tone4.wav"));
    rtc.session(call, RTCSS_DISCONNECTED);
    engine.presenter().setStatusText(QStringLiteral("Connected")); // a text is no call
    tones.playDtmf(QStringLiteral("Tone5.wav"));
    tones.playDtmf(QStringLiteral("Tone6.wav"));
    EXPECT_EQ(rtc.dtmf.size(), 5u);
    EXPECT_EQ(local, (QStringList { "Tone5.wav", "Tone6.wav" }));
}
