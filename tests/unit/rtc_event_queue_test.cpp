// The SIP adapter's event queue: order, delivery from the event loop only,
// one event at a time (never into a handler still running), the filter and
// taking back an event not yet delivered.
#include "sip/RtcEventQueue.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

using namespace ralu;

namespace {

RtcEvent event(RtcEventType type, const std::string &text)
{
    RtcEvent e;
    e.type = type;
    e.statusText = text;
    return e;
}

RtcEvent registration(const std::string &text)
{
    return event(RTCE_REGISTRATION_STATE_CHANGE, text);
}

// Runs the event loop for ms.
void spin(int ms)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

struct QueueFixture : ::testing::Test {
    RtcEventQueue queue;
    std::vector<std::string> seen;

    void SetUp() override
    {
        queue.setHandler([this](RtcEventType, const RtcEvent &e) { seen.push_back(e.statusText); });
    }
};

using Texts = std::vector<std::string>;

} // namespace

TEST_F(QueueFixture, EventsArriveInOrderFromTheEventLoopNotFromPush)
{
    queue.push(registration("a"));
    queue.push(event(RTCE_SESSION_STATE_CHANGE, "b"));
    queue.push(registration("c"));
    EXPECT_TRUE(seen.empty()) << "never from inside push";
    spin(50);
    EXPECT_EQ(seen, (Texts { "a", "b", "c" }));
    EXPECT_TRUE(queue.empty());
}

TEST_F(QueueFixture, AHandlerRunningANestedLoopGetsNoSecondEventUntilItReturns)
{
    Texts duringFirst;
    queue.setHandler([&](RtcEventType, const RtcEvent &e) {
        seen.push_back(e.statusText);
        if (e.statusText == "first") {
            // A modal box: a nested event loop inside the handler, while
            // more events are queued.
            queue.push(registration("queued inside"));
            spin(60);
            duringFirst = seen;
        }
    });
    queue.push(registration("first"));
    queue.push(registration("second"));
    spin(150);
    EXPECT_EQ(duringFirst, Texts { "first" });
    EXPECT_EQ(seen, (Texts { "first", "second", "queued inside" }));
}

TEST_F(QueueFixture, OneEventPerEventLoopTurn)
{
    // A zero timer started before delivery runs between the first and the
    // second event: the handler does not drain the queue in one go.
    queue.push(registration("a"));
    queue.push(registration("b"));
    queue.setHandler([&](RtcEventType, const RtcEvent &e) {
        seen.push_back(e.statusText);
        if (e.statusText == "a")
            QTimer::singleShot(0, [&] { seen.push_back("other work"); });
    });
    spin(50);
    EXPECT_EQ(seen, (Texts { "a", "other work", "b" }));
}

TEST_F(QueueFixture, FilteredEventsAreDroppedButStillSeenByTheDeliveryHook)
{
    Texts hooked;
    queue.setOnDelivery([&](const RtcEvent &e) { hooked.push_back(e.statusText); });
    queue.setFilter(RTCEF_SESSION_STATE_CHANGE | RTCEF_MEDIA);
    queue.push(registration("dropped"));
    queue.push(event(RTCE_SESSION_STATE_CHANGE, "session"));
    queue.push(event(RTCE_PARTICIPANT_STATE_CHANGE, "dropped too"));
    queue.push(event(RTCE_MEDIA, "media"));
    spin(60);
    EXPECT_EQ(seen, (Texts { "session", "media" }));
    EXPECT_EQ(hooked, (Texts { "dropped", "session", "dropped too", "media" }));
}

TEST_F(QueueFixture, TakeBackRemovesTheLatestMatchOnly)
{
    queue.push(registration("x"));
    queue.push(event(RTCE_MEDIA, "x"));
    queue.push(registration("x"));
    queue.push(registration("y"));
    const auto isRegistrationX
        = [](const RtcEvent &e) { return e.type == RTCE_REGISTRATION_STATE_CHANGE && e.statusText == "x"; };
    EXPECT_TRUE(queue.takeBackLast(isRegistrationX));
    std::vector<RtcEventType> types;
    queue.setHandler([&](RtcEventType t, const RtcEvent &e) {
        types.push_back(t);
        seen.push_back(e.statusText);
    });
    spin(60);
    EXPECT_EQ(seen, (Texts { "x", "x", "y" }));
    EXPECT_EQ(types,
        (std::vector<RtcEventType> {
            RTCE_REGISTRATION_STATE_CHANGE, RTCE_MEDIA, RTCE_REGISTRATION_STATE_CHANGE }));
    EXPECT_FALSE(queue.takeBackLast(isRegistrationX)) << "nothing left to take back";
}

TEST_F(QueueFixture, AHandlerThatReplacesItselfOrEndsTheQueueIsSafe)
{
    Texts second;
    queue.setHandler([&](RtcEventType, const RtcEvent &e) {
        seen.push_back(e.statusText);
        queue.setHandler([&](RtcEventType, const RtcEvent &f) { second.push_back(f.statusText); });
    });
    queue.push(registration("a"));
    queue.push(registration("b"));
    spin(50);
    EXPECT_EQ(seen, Texts { "a" });
    EXPECT_EQ(second, Texts { "b" });

    // The handler shuts the client down, queue and all.
    auto *owned = new RtcEventQueue;
    int calls = 0;
    owned->setHandler([&](RtcEventType, const RtcEvent &) {
        ++calls;
        delete owned;
    });
    owned->push(registration("last"));
    owned->push(registration("never"));
    spin(50);
    EXPECT_EQ(calls, 1);
}

TEST_F(QueueFixture, EventsPushedFromAnotherThreadArriveInOrderOnTheQueuesThread)
{
    // The SIP stack's thread pushes while the event loop's thread pushes
    // too (from inside a call into the stack) and delivers.
    const auto loopThread = std::this_thread::get_id();
    std::vector<std::thread::id> handlerThreads;
    queue.setHandler([&](RtcEventType, const RtcEvent &e) {
        seen.push_back(e.statusText);
        handlerThreads.push_back(std::this_thread::get_id());
    });
    constexpr int kEvents = 200;
    std::thread stack([this] {
        for (int i = 0; i < kEvents; ++i)
            queue.push(registration("s" + std::to_string(i)));
    });
    for (int i = 0; i < kEvents; ++i)
        queue.push(registration("l" + std::to_string(i)));
    stack.join();
    spin(300);

    ASSERT_EQ(seen.size(), size_t(2 * kEvents));
    // Each thread's events in the order it pushed them.
    int nextS = 0;
    int nextL = 0;
    for (const std::string &text : seen) {
        int &next = text[0] == 's' ? nextS : nextL;
        EXPECT_EQ(text.substr(1), std::to_string(next));
        ++next;
    }
    for (const auto &id : handlerThreads)
        EXPECT_EQ(id, loopThread);
}
