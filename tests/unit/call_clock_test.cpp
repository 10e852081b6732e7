#include "engine/CallClock.h"
#include "qt_printers.h"

#include <gtest/gtest.h>

using ralu::CallClock;

namespace {

void tickTimes(CallClock &clock, int count)
{
    for (int i = 0; i < count; ++i)
        clock.tick();
}

} // namespace

TEST(CallClockElapsed, ShowsTimeBeforeEachTickAndCarries)
{
    CallClock clock;
    clock.tick();
    EXPECT_EQ(clock.elapsedText(), "00:00:00");
    tickTimes(clock, 9);
    EXPECT_EQ(clock.elapsedText(), "00:00:09");
    tickTimes(clock, 1);
    EXPECT_EQ(clock.elapsedText(), "00:00:10");
    tickTimes(clock, 49); // 60 ticks
    EXPECT_EQ(clock.elapsedText(), "00:00:59");
    tickTimes(clock, 1); // 61 ticks
    EXPECT_EQ(clock.elapsedText(), "00:01:00");
    tickTimes(clock, 3540); // 3601 ticks
    EXPECT_EQ(clock.elapsedText(), "01:00:00");
    EXPECT_EQ(clock.timehr, 1);
    EXPECT_EQ(clock.timemin, 0);
    EXPECT_EQ(clock.intConnectedSeconds, 1);
    tickTimes(clock, 36000); // ten more hours
    EXPECT_EQ(clock.elapsedText(), "11:00:00");
}

TEST(CallClockElapsed, ResetStartsOver)
{
    CallClock clock;
    tickTimes(clock, 125);
    EXPECT_EQ(clock.elapsedText(), "00:02:04");
    clock.resetElapsed();
    EXPECT_EQ(clock.timehr, 0);
    EXPECT_EQ(clock.timemin, 0);
    EXPECT_EQ(clock.intConnectedSeconds, 0);
    clock.tick();
    EXPECT_EQ(clock.elapsedText(), "00:00:00");
}

TEST(CallClockRemaining, NeverAnsweredShowsZeroes)
{
    CallClock clock;
    for (int i = 0; i < 3; ++i) {
        clock.tick();
        EXPECT_EQ(clock.remainingText(), "Account's Time: 0:0:00");
    }
    EXPECT_FALSE(clock.timehr1.has_value());
    EXPECT_FALSE(clock.timemin1.has_value());
}

TEST(CallClockRemaining, CountsDownOneSecondPerTick)
{
    struct Case {
        double h, m, s;
        const char *afterOneTick;
    };
    const Case cases[] = {
        { 1, 0, 0, "Account's Time: 00:59:59" },
        { 0, 5, 9, "Account's Time: 00:05:08" },
        { 0, 12, 30, "Account's Time: 00:12:29" },
        { 0, 5, 0, "Account's Time: 00:04:59" },
        { 0, 0, 11, "Account's Time: 00:00:10" },
        { 0, 0, 10, "Account's Time: 00:00:09" },
        { 2, 10, 0, "Account's Time: 02:09:59" },
        { 10, 10, 30, "Account's Time: 10:10:29" },
        { 12, 0, 0, "Account's Time: 11:59:59" },
        { 0, 0, 10.5, "Account's Time: 00:00:09.5" },
    };
    for (const Case &c : cases) {
        CallClock clock;
        clock.setRemaining(c.h, c.m, c.s);
        clock.tick();
        EXPECT_EQ(clock.remainingText(), c.afterOneTick) << c.afterOneTick;
    }
}

TEST(CallClockRemaining, StopsAtZero)
{
    CallClock clock;
    clock.setRemaining(0, 1, 1);
    tickTimes(clock, 61);
    EXPECT_EQ(clock.remainingText(), "Account's Time: 00:00:00");
    for (int i = 0; i < 3; ++i) {
        clock.tick();
        EXPECT_EQ(clock.remainingText(), "Account's Time: 00:00:00");
    }
    EXPECT_EQ(clock.timehr1, 0.0);
    EXPECT_EQ(clock.timemin1, 0.0);
    EXPECT_EQ(clock.timesec, 0.0);
}

TEST(CallClockRemaining, EmptyMinutesCountAsZeroWhenTakingAnHour)
{
    CallClock clock;
    clock.timehr1 = 1;
    clock.tick();
    EXPECT_EQ(clock.remainingText(), "Account's Time: 00:59:59");
    EXPECT_EQ(clock.timemin1, 59.0);

    // Seconds alone, before minutes and hours are known.
    CallClock secondsOnly;
    secondsOnly.timesec = 3;
    secondsOnly.tick();
    EXPECT_EQ(secondsOnly.remainingText(), "Account's Time: 0:0:02");
}
