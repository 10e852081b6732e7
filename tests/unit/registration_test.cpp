// Start-up of the client, the profile, registration events, the ready timer
// and exit, driven through the call engine with a fake client.
#include "CallEngineTestAccess.h"
#include "FakeHttpClient.h"
#include "FakeMessageBoxes.h"
#include "FakeRtcClient.h"
#include "account/CallBilling.h"
#include "engine/CallEngine.h"
#include "qt_printers.h"

#include <QSignalSpy>
#include <gtest/gtest.h>

using namespace ralu;
using namespace ralu::testing;

namespace {

struct EngineFixture : ::testing::Test {
    AppState state;
    FakeRtcClient rtc;
    FakeMessageBoxes boxes;
    CallEngine engine { state, &rtc };
    int balanceQueries = 0;
    QStringList trace; // texts in the order they changed
    // Each query is counted as it goes out and answered at once (no reply),
    // so that the next may go out.
    struct CountingHttp : FakeHttp {
        std::function<void()> sent;
        void send(const HttpRequest &request, Done done) override
        {
            sent();
            FakeHttp::send(request, std::move(done));
            answer();
        }
    } http;
    BillingClient billing { http, QStringLiteral("http://127.0.0.1:8088"), state.login };
    CallBilling billed { engine, billing };

    void SetUp() override
    {
        http.sent = [this] {
            ++balanceQueries;
            trace << QStringLiteral("balance");
        };
        QObject::connect(&engine.presenter(), &MainPresenter::statusTextChanged,
            [this](const QString &t) { trace << QStringLiteral("status:") + t; });
        QObject::connect(&engine.presenter(), &MainPresenter::accountLabelChanged,
            [this](const QString &t) { trace << QStringLiteral("label:") + t; });
        engine.prepareLoad();
        state.login.strUserName = QStringLiteral("1001");
        state.login.strPassword = QStringLiteral("demo1001");
        state.login.strLoginSIPIP = QStringLiteral("127.0.0.1");
        trace.clear();
    }

    void registerOnce()
    {
        ASSERT_TRUE(engine.initializeRTC());
        engine.registerAccount();
    }
};

} // namespace

TEST_F(EngineFixture, LoadingStartsNotLoggedInAndIdle)
{
    AppState fresh;
    FakeRtcClient client;
    CallEngine e(fresh, &client);
    fresh.login.strUserName = QStringLiteral("x");
    e.prepareLoad();
    EXPECT_EQ(e.presenter().statusText(), QStringLiteral("Not logged in..."));
    EXPECT_EQ(registrationWord(e.registration().state()), QStringLiteral("NOTREGISTERED"));
    EXPECT_TRUE(fresh.blnStartupLogin);
    EXPECT_FALSE(e.session().calling());
    EXPECT_FALSE(CallEngineTestAccess::inCallControls(e));
    EXPECT_TRUE(fresh.login.strUserName.isEmpty());
    EXPECT_TRUE(client.calls.isEmpty()) << "the client is not touched before the login step";
}

TEST_F(EngineFixture, ClientIsConfiguredInOrder)
{
    ASSERT_TRUE(engine.initializeRTC());
    EXPECT_EQ(rtc.calls,
        (QStringList { "initialize", "filter 1048615", "setEventHandler", "listen 2", "media 3 1" }));
}

TEST_F(EngineFixture, ClientSetUpStopsAtTheFirstFailure)
{
    rtc.failing.insert("setEventFilter");
    EXPECT_FALSE(engine.initializeRTC());
    EXPECT_EQ(rtc.calls, (QStringList { "initialize", "filter 1048615" }));
    // Without a configured client registration builds the text and stops.
    engine.registerAccount();
    EXPECT_FALSE(CallEngineTestAccess::xmlProfile(engine).isEmpty());
    EXPECT_TRUE(rtc.profiles.empty());
    EXPECT_EQ(engine.presenter().statusText(), QStringLiteral("Not logged in..."));
}

TEST_F(EngineFixture, MissingClientLeavesTheWindowNotLoggedIn)
{
    CallEngine e(state, nullptr);
    e.prepareLoad();
    EXPECT_FALSE(e.initializeRTC());
    e.registerAccount();
    EXPECT_EQ(e.presenter().statusText(), QStringLiteral("Not logged in..."));
    EXPECT_EQ(registrationWord(e.registration().state()), QStringLiteral("NOTREGISTERED"));
}

TEST_F(EngineFixture, ProfileIsBuiltFromTheLoginAndEnabledForCallsMessagesPresence)
{
    state.login.strDisplayName = QStringLiteral("Front desk");
    registerOnce();
    ASSERT_EQ(rtc.enabled.size(), 1u);
    EXPECT_EQ(rtc.enabled[0].second, 7);
    const std::string xml = rtc.profiles.at(0)->xml();
    EXPECT_EQ(QString::fromStdString(xml), CallEngineTestAccess::xmlProfile(engine));
    EXPECT_NE(
        xml.find(
            "<user account=\"1001\" name=\"Front desk\" password=\"demo1001\" uri=\"sip:1001@127.0.0.1\""),
        std::string::npos);
    EXPECT_EQ(engine.registration().server(), QStringLiteral("127.0.0.1"));

    // A new login makes and enables a new profile that replaces the old one.
    state.login.strLoginSIPIP = QStringLiteral("sip1.ralu.example");
    engine.registerAccount();
    ASSERT_EQ(rtc.enabled.size(), 2u);
    EXPECT_EQ(rtc.enabled[1].first->xml(), CallEngineTestAccess::xmlProfile(engine).toStdString());
    EXPECT_EQ(engine.registration().server(), QStringLiteral("sip1.ralu.example"));
}

TEST_F(EngineFixture, RefusedProfileRegistersNothing)
{
    ASSERT_TRUE(engine.initializeRTC());
    rtc.failing.insert("createProfile");
    engine.registerAccount();
    EXPECT_TRUE(rtc.enabled.empty());
    EXPECT_EQ(registrationWord(engine.registration().state()), QStringLiteral("NOTREGISTERED"));
}

TEST_F(EngineFixture, RegistrationTableRowByRow)
{
    registerOnce();
    struct Row {
        RtcRegistrationState state;
        const char *word, *status;
        bool labelHoldsUser;
    };
    const Row rows[] = {
        { RTCRS_REGISTERING, "REGISTERING", "Registering", false },
        { RTCRS_REGISTERED, "REGISTERED", "Registered and Ready...", true },
        { RTCRS_NOT_REGISTERED, "NOTREGISTERED", "Not Registered", false },
        { RTCRS_REGISTERED, "REGISTERED", "Registered and Ready...", true },
        { RTCRS_REJECTED, "REJECTED", "Rejected", false },
        { RTCRS_REGISTERED, "REGISTERED", "Registered and Ready...", true },
        { RTCRS_LOGGED_OFF, "LOGGEDOFF", "Logged off.", false },
    };
    for (const Row &row : rows) {
        rtc.registration(row.state);
        EXPECT_EQ(registrationWord(engine.registration().state()), QString::fromLatin1(row.word))
            << row.state;
        EXPECT_EQ(engine.presenter().statusText(), QString::fromLatin1(row.status)) << row.state;
        EXPECT_EQ(CallEngineTestAccess::accountLabel(engine),
            row.labelHoldsUser ? QStringLiteral("1001") : QString())
            << row.state;
    }
    EXPECT_EQ(balanceQueries, 3) << "each registration asks for the balance once";
}

TEST_F(EngineFixture, OrderOfUpdatesPerState)
{
    registerOnce();
    rtc.registration(RTCRS_REGISTERED);
    EXPECT_EQ(trace, (QStringList { "label:1001", "status:Registered and Ready...", "balance" }));
    trace.clear();
    rtc.registration(RTCRS_REGISTERING);
    EXPECT_EQ(trace, (QStringList { "label:", "status:Registering" }));
    trace.clear();
    rtc.registration(RTCRS_REJECTED);
    EXPECT_EQ(trace, (QStringList { "status:Rejected", "label:" }));
}

TEST_F(EngineFixture, ErrorAndUnregisteringOnlyEndTheStartUpLogin)
{
    registerOnce();
    rtc.registration(RTCRS_REGISTERED);
    for (RtcRegistrationState s : { RTCRS_ERROR, RTCRS_UNREGISTERING }) {
        state.blnStartupLogin = true;
        trace.clear();
        rtc.registration(s);
        EXPECT_FALSE(state.blnStartupLogin);
        EXPECT_EQ(registrationWord(engine.registration().state()), QStringLiteral("REGISTERED"));
        EXPECT_EQ(engine.presenter().statusText(), QStringLiteral("Registered and Ready..."));
        EXPECT_EQ(CallEngineTestAccess::accountLabel(engine), QStringLiteral("1001"));
        EXPECT_TRUE(trace.isEmpty()) << trace.join(QLatin1Char(',')).toStdString();
    }
}

TEST_F(EngineFixture, ReadyTimerFiresOnceWithTwoDotsAndEmptiesTheNumber)
{
    registerOnce();
    rtc.registration(RTCRS_REJECTED);
    engine.presenter().setNumberText(QStringLiteral("5551234"));
    CallEngineTestAccess::start(engine, EngineTimer::Ready);
    QSignalSpy spy(&engine.presenter(), &MainPresenter::statusTextChanged);
    ASSERT_TRUE(spy.wait(1000));
    EXPECT_EQ(engine.presenter().statusText(), QStringLiteral("Registered and Ready.."));
    EXPECT_TRUE(engine.presenter().numberText().isEmpty());
    EXPECT_FALSE(CallEngineTestAccess::isRunning(engine, EngineTimer::Ready));
    EXPECT_EQ(CallEngineTestAccess::intervalOf(engine, EngineTimer::Ready), 2);
}

TEST_F(EngineFixture, ExitEndsALiveCallBeforeShuttingDown)
{
    registerOnce();
    QSignalSpy exitSpy(&engine, &CallEngine::exitRequested);
    // Every state with a current call, whatever the status line shows (a
    // "Call failed" over a call still ringing in once kept it ringing).
    const std::vector<std::vector<RtcSessionState>> calls
        = { { RTCSS_INCOMING }, { RTCSS_INCOMING, RTCSS_ANSWERING }, {}, { RTCSS_INPROGRESS },
              { RTCSS_INPROGRESS, RTCSS_CONNECTED }, { RTCSS_INCOMING, RTCSS_CONNECTED } };
    for (const auto &steps : calls) {
        std::shared_ptr<FakeSession> call;
        if (!steps.empty() && steps.front() == RTCSS_INCOMING) {
            call = FakeSession::offeredBy("sip:201@host");
        } else {
            engine.presenter().setNumberText(QStringLiteral("555"));
            ASSERT_TRUE(engine.session().dial(QStringLiteral("555")));
            call = rtc.createdSessions.back();
        }
        for (RtcSessionState step : steps)
            rtc.session(call, step);
        engine.presenter().setStatusText(QStringLiteral("Call failed"));
        rtc.calls.clear();
        engine.exitProgram();
        EXPECT_EQ(call->terminations, std::vector<RtcTerminateReason> { RTCTR_SHUTDOWN }) << steps.size();
        EXPECT_EQ(rtc.calls, QStringList { "shutdown" });
        rtc.session(call, RTCSS_DISCONNECTED);
    }
    EXPECT_EQ(exitSpy.count(), 6);
}

TEST_F(EngineFixture, ExitWhileIdleOnlyShutsTheClientDown)
{
    registerOnce();
    ASSERT_TRUE(engine.session().dial(QStringLiteral("555")));
    auto call = rtc.createdSessions.back();
    rtc.session(call, RTCSS_DISCONNECTED);
    QSignalSpy exitSpy(&engine, &CallEngine::exitRequested);
    // The status line is output only: a text that looks like a call is none.
    for (const char *status : { "Registered and Ready...", "Connected", "Incoming: 7" }) {
        rtc.calls.clear();
        engine.presenter().setStatusText(QString::fromLatin1(status));
        engine.exitProgram();
        EXPECT_TRUE(call->terminations.empty()) << status;
        EXPECT_EQ(rtc.calls, QStringList { "shutdown" });
    }
    EXPECT_EQ(exitSpy.count(), 3);
}

TEST_F(EngineFixture, ExitStillEndsTheProgramWhenTerminateFails)
{
    registerOnce();
    auto call = FakeSession::offeredBy("sip:201@host");
    call->failTerminate = true;
    rtc.session(call, RTCSS_INCOMING);
    rtc.session(call, RTCSS_CONNECTED);
    CallEngineTestAccess::start(engine, EngineTimer::Ring);
    QSignalSpy exitSpy(&engine, &CallEngine::exitRequested);
    rtc.calls.clear();
    engine.exitProgram();
    EXPECT_EQ(exitSpy.count(), 1);
    EXPECT_FALSE(rtc.calls.contains(QStringLiteral("shutdown"))) << "later steps are skipped";
    EXPECT_FALSE(CallEngineTestAccess::isRunning(engine, EngineTimer::Ring))
        << "no event or tick is handled after exit";
}

TEST_F(EngineFixture, AbandonedStartUpCreatesNothing)
{
    state.startupAbandoned = true;
    engine.presenter().setBalanceText(QStringLiteral("EXITING")); // a label is never read back
    EXPECT_FALSE(engine.finishLoad());
    EXPECT_TRUE(rtc.calls.isEmpty()) << "nothing is created when start-up is abandoned";
    EXPECT_EQ(balanceQueries, 0);

    state.startupAbandoned = false;
    EXPECT_TRUE(engine.finishLoad());
    EXPECT_EQ(balanceQueries, 1);
    EXPECT_EQ(state.login.strDisplayName, QStringLiteral("1001"));
    EXPECT_EQ(rtc.enabled.size(), 1u);
}

TEST_F(EngineFixture, ExitDuringStartUpLoginStartsNoSipStack)
{
    engine.prepareLoad();
    engine.exitProgram(); // the tray's Exit or SIGTERM while the login window waits
    EXPECT_FALSE(engine.finishLoad());
    EXPECT_FALSE(rtc.calls.contains(QStringLiteral("initialize")));
    EXPECT_TRUE(rtc.enabled.empty());
    EXPECT_EQ(balanceQueries, 0);
}

TEST_F(EngineFixture, EmptyPasswordFallsBackToTheAccountNumber)
{
    state.login.strPassword.clear();
    ASSERT_TRUE(engine.finishLoad());
    EXPECT_EQ(state.login.strPassword, QStringLiteral("1001"));
    EXPECT_NE(rtc.profiles.at(0)->xml().find("password=\"1001\""), std::string::npos);
}
