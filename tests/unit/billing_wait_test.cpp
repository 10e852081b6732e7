// While the call engine waits for the billing server (a nested event loop),
// its own timer ticks, an exit request and the client's events wait until
// the query is over, so that no handler runs in the middle of another.
#include "CallEngineTestAccess.h"
#include "FakeMessageBoxes.h"
#include "FakeRtcClient.h"
#include "engine/CallEngine.h"
#include "qt_printers.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QSignalSpy>
#include <QTimer>
#include <gtest/gtest.h>

using namespace ralu;
using namespace ralu::testing;

namespace {

// Waits the way the real HTTP client does: a nested loop without user input.
void waitInNestedLoop(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec(QEventLoop::ExcludeUserInputEvents);
}

void drainEvents()
{
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents();
}

struct WaitFixture : ::testing::Test {
    AppState state;
    FakeRtcClient rtc;
    FakeMessageBoxes boxes;
    CallEngine engine { state, &rtc };
    QStringList seenInQuery; // what a query saw when its wait was over
    std::function<void()> duringQuery;

    void SetUp() override
    {
        auto query = [this](const QString &name) {
            return [this, name] {
                EXPECT_TRUE(engine.queryWaiting());
                const int heldBefore = rtc.holds - rtc.releases;
                if (duringQuery)
                    duringQuery();
                waitInNestedLoop(40);
                seenInQuery << QStringLiteral("%1 held=%2 status=%3 time=%4")
                                   .arg(name)
                                   .arg(heldBefore)
                                   .arg(engine.statusText(), engine.callTimeText());
            };
        };
        engine.setUpdateBalance(query(QStringLiteral("balance")));
        engine.setQueryCreditTime(query(QStringLiteral("credit")));
        engine.prepareLoad();
        state.login.strUserName = QStringLiteral("1001");
        state.login.strAccountNumber = QStringLiteral("1001");
        state.login.strPassword = QStringLiteral("pw");
        state.login.strLoginSIPIP = QStringLiteral("127.0.0.1");
    }

    // A registered engine with an outgoing call in progress.
    std::shared_ptr<FakeSession> callInProgress()
    {
        EXPECT_TRUE(engine.finishLoad());
        drainEvents();
        EXPECT_TRUE(engine.dial(QStringLiteral("555")));
        auto s = rtc.createdSessions.back();
        rtc.session(s, RTCSS_INPROGRESS);
        seenInQuery.clear();
        return s;
    }
};

} // namespace

TEST_F(WaitFixture, TickArrivingDuringTheStartUpQueryRunsRightAfterIt)
{
    // The ready timer (2 ms) is due long before the query's wait is over.
    engine.setNumberText(QStringLiteral("555"));
    CallEngineTestAccess::start(engine, EngineTimer::Ready);
    ASSERT_TRUE(engine.finishLoad());
    ASSERT_EQ(seenInQuery, QStringList { "balance held=1 status=Not logged in... time=" });
    EXPECT_FALSE(engine.queryWaiting());
    EXPECT_EQ(rtc.holds, 1);
    EXPECT_EQ(rtc.releases, 1) << "the client's events are released with the query";
    // Not inside the start-up either: from the event loop, after it.
    EXPECT_EQ(engine.statusText(), QStringLiteral("Not logged in..."));
    EXPECT_EQ(engine.numberText(), QStringLiteral("555"));
    drainEvents();
    EXPECT_EQ(engine.statusText(), QStringLiteral("Registered and Ready.."));
    EXPECT_TRUE(engine.numberText().isEmpty());
    EXPECT_FALSE(engine.isRunning(EngineTimer::Ready));
}

TEST_F(WaitFixture, ConnectedClockTicksOnceAfterTheBalanceQueryOfTheConnection)
{
    auto call = callInProgress();
    CallEngineTestAccess::setInterval(engine, EngineTimer::CallClock, 5); // ticks several times per wait
    QSignalSpy ticks(&engine, &CallEngine::callTimeTextChanged);
    duringQuery = [this] {
        if (seenInQuery.size() == 1) // the balance query, after the credit one
            QTimer::singleShot(30, &engine,
                [this] { CallEngineTestAccess::setInterval(engine, EngineTimer::CallClock, 60000); });
    };
    rtc.session(call, RTCSS_CONNECTED);
    EXPECT_EQ(seenInQuery,
        (QStringList { "credit held=1 status=Connected time=", "balance held=1 status=Connected time=" }))
        << "no tick ran inside a query";
    EXPECT_EQ(ticks.count(), 0) << "nor inside the handler";
    drainEvents();
    ASSERT_EQ(ticks.count(), 1) << "many ticks during one wait make one";
    EXPECT_EQ(engine.callTimeText(), QStringLiteral("00:00:00"));
    EXPECT_EQ(rtc.holds, rtc.releases);
}

TEST_F(WaitFixture, TickOfATimerStoppedAfterTheQueryIsDropped)
{
    auto call = callInProgress();
    CallEngineTestAccess::setInterval(engine, EngineTimer::CallClock, 5);
    rtc.session(call, RTCSS_CONNECTED);
    drainEvents();
    QSignalSpy clock(&engine, &CallEngine::accountTimeTextChanged);
    QSignalSpy statuses(&engine, &CallEngine::statusTextChanged);
    // The disconnection's balance query waits while the clock ticks; the
    // handler then stops the clock, which takes the waiting tick with it.
    rtc.session(call, RTCSS_DISCONNECTED);
    ASSERT_EQ(seenInQuery.last(), QStringLiteral("balance held=1 status=Connected time="));
    drainEvents();
    waitInNestedLoop(20);
    EXPECT_EQ(clock.count(), 0);
    EXPECT_TRUE(engine.callTimeText().isEmpty());
    EXPECT_FALSE(engine.isRunning(EngineTimer::CallClock));
    ASSERT_FALSE(statuses.isEmpty());
    EXPECT_EQ(statuses.last().at(0).toString(), QStringLiteral("Registered and Ready.."));
}

TEST_F(WaitFixture, RingAndFlashWaitForTheQueryOfTheRegistration)
{
    ASSERT_TRUE(engine.finishLoad());
    drainEvents();
    auto offer = FakeSession::offeredBy("sip:201@127.0.0.1");
    rtc.session(offer, RTCSS_INCOMING);
    CallEngineTestAccess::setInterval(engine, EngineTimer::Ring, 5);
    CallEngineTestAccess::setInterval(engine, EngineTimer::Flash, 5);
    QSignalSpy flashes(&engine, &CallEngine::flashWindowRequested);
    // The handler lets pending events run before its query, not during it.
    int ringsBefore = -1, flashesBefore = -1, ringsInQuery = -1, flashesInQuery = -1;
    duringQuery = [&] {
        ringsBefore = rtc.rings;
        flashesBefore = flashes.count();
        waitInNestedLoop(30);
        ringsInQuery = rtc.rings;
        flashesInQuery = flashes.count();
    };
    rtc.registration(RTCRS_REGISTERED);
    ASSERT_GE(ringsBefore, 0);
    EXPECT_EQ(ringsInQuery, ringsBefore);
    EXPECT_EQ(flashesInQuery, flashesBefore);
    EXPECT_EQ(rtc.rings, ringsBefore) << "nor before the handler ends";
    CallEngineTestAccess::setInterval(engine, EngineTimer::Ring, 60000);
    CallEngineTestAccess::setInterval(engine, EngineTimer::Flash, 60000);
    drainEvents();
    EXPECT_EQ(rtc.rings, ringsBefore + 1);
    EXPECT_EQ(flashes.count(), flashesBefore + 1);
}

TEST_F(WaitFixture, ExitAskedDuringAQueryFollowsIt)
{
    auto call = callInProgress();
    QSignalSpy exits(&engine, &CallEngine::exitRequested);
    bool exitedInQuery = true;
    duringQuery = [&] {
        if (seenInQuery.isEmpty()) {
            engine.exitProgram();
            exitedInQuery = !exits.isEmpty();
        }
    };
    rtc.session(call, RTCSS_CONNECTED);
    EXPECT_FALSE(exitedInQuery);
    EXPECT_TRUE(exits.isEmpty()) << "the connection is handled to its end first";
    EXPECT_TRUE(engine.inCallControls());
    EXPECT_TRUE(call->terminations.empty());
    drainEvents();
    EXPECT_EQ(exits.count(), 1);
    EXPECT_EQ(call->terminations, std::vector<RtcTerminateReason> { RTCTR_SHUTDOWN });
    EXPECT_TRUE(rtc.calls.contains(QStringLiteral("shutdown")));
}

TEST_F(WaitFixture, NoHookNoHold)
{
    CallEngine bare(state, &rtc);
    bare.prepareLoad();
    ASSERT_TRUE(bare.finishLoad());
    EXPECT_EQ(rtc.holds, 0);
    EXPECT_FALSE(bare.queryWaiting());
}
