// What SIP outcomes mean to the application: why a call ended, and which
// registration changes are news.
#include "sip/SipOutcome.h"

#include <gtest/gtest.h>

using namespace ralu;

TEST(CallEnd, FailuresAreSortedByTheirFinalAnswer)
{
    const struct {
        bool failed;
        int code;
        bool heardBack;
        RtcCallEnd expected;
    } cases[] = {
        { false, 0, true, RTCCE_NONE }, // hung up, either side
        { false, 486, true, RTCCE_NONE }, // declined here: our own 486
        { false, 487, true, RTCCE_NONE }, // cancelled here
        { true, 486, true, RTCCE_BUSY },
        { true, 487, true, RTCCE_NONE }, // the caller gave up: missed, not failed
        { true, 600, true, RTCCE_BUSY },
        { true, 603, true, RTCCE_DECLINED },
        { true, 404, true, RTCCE_NOT_FOUND },
        { true, 484, true, RTCCE_NOT_FOUND },
        { true, 604, true, RTCCE_NOT_FOUND },
        { true, 480, true, RTCCE_UNAVAILABLE },
        { true, 410, true, RTCCE_UNAVAILABLE },
        { true, 503, true, RTCCE_UNAVAILABLE },
        { true, 408, true, RTCCE_NO_ANSWER },
        { true, 488, true, RTCCE_NO_CODEC },
        { true, 606, true, RTCCE_NO_CODEC },
        { true, 415, true, RTCCE_NO_CODEC },
        { true, 408, false, RTCCE_NETWORK }, // the stack's own timeout
        { true, 503, false, RTCCE_NETWORK }, // a transport error
        { true, 403, true, RTCCE_OTHER },
        { true, 500, true, RTCCE_OTHER },
        { true, 0, true, RTCCE_OTHER },
    };
    for (const auto &c : cases)
        EXPECT_EQ(callEndFor(c.failed, c.code, c.heardBack), c.expected)
            << c.failed << " " << c.code << " " << c.heardBack;
}

TEST(RegistrationEvents, RetriesAndRepeatsAreNotNews)
{
    const struct {
        int state;
        int last;
        int expected;
    } cases[] = {
        { RTCRS_REGISTERING, -1, RTCRS_REGISTERING }, // the first attempt shows
        { RTCRS_REGISTERED, RTCRS_REGISTERING, RTCRS_REGISTERED },
        { RTCRS_REGISTERED, RTCRS_REGISTERED, -1 }, // a refresh that worked
        { RTCRS_REGISTERING, RTCRS_REGISTERED, -1 }, // a refresh under way
        { RTCRS_NOT_REGISTERED, RTCRS_REGISTERED, RTCRS_NOT_REGISTERED },
        { RTCRS_REGISTERING, RTCRS_NOT_REGISTERED, -1 }, // a retry after a failure
        { RTCRS_REGISTERING, RTCRS_REJECTED, -1 },
        { RTCRS_NOT_REGISTERED, RTCRS_NOT_REGISTERED, -1 }, // the retry failed too
        { RTCRS_REGISTERED, RTCRS_NOT_REGISTERED, RTCRS_REGISTERED },
        { RTCRS_LOGGED_OFF, RTCRS_REGISTERED, RTCRS_LOGGED_OFF },
        { -1, RTCRS_REGISTERED, -1 },
    };
    for (const auto &c : cases)
        EXPECT_EQ(registrationEventFor(c.state, c.last), c.expected) << c.state << " after " << c.last;
}
