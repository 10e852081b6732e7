#include "sip/SipOutcome.h"

namespace ralu {

// Final status -> RtcCallEnd (RFC 3261 section 21 and the codes gateways use).
//
//   486 Busy Here, 600 Busy Everywhere                      BUSY
//   603 Decline                                             DECLINED
//   404 Not Found, 484 Address Incomplete,                  NOT_FOUND
//     604 Does Not Exist Anywhere
//   480 Temporarily Unavailable, 410 Gone,                  UNAVAILABLE
//     502 Bad Gateway, 503 Service Unavailable
//   408 Request Timeout                                     NO_ANSWER
//   488 Not Acceptable Here, 606 Not Acceptable,            NO_CODEC
//     415 Unsupported Media Type
//   487 Request Terminated: the caller gave up              NONE (a missed call)
//   nothing ever heard from the network                     NETWORK
//   anything else                                           OTHER
RtcCallEnd callEndFor(bool failed, int sipCode, bool heardBack)
{
    if (!failed || sipCode == 487)
        return RTCCE_NONE;
    if (!heardBack)
        return RTCCE_NETWORK;
    switch (sipCode) {
    case 486:
    case 600:
        return RTCCE_BUSY;
    case 603:
        return RTCCE_DECLINED;
    case 404:
    case 484:
    case 604:
        return RTCCE_NOT_FOUND;
    case 410:
    case 480:
    case 502:
    case 503:
        return RTCCE_UNAVAILABLE;
    case 408:
        return RTCCE_NO_ANSWER;
    case 415:
    case 488:
    case 606:
        return RTCCE_NO_CODEC;
    default:
        return RTCCE_OTHER;
    }
}

int registrationEventFor(int state, int lastQueued)
{
    if (state < 0 || state == lastQueued)
        return -1;
    if (state == RTCRS_REGISTERING
        && (lastQueued == RTCRS_REGISTERED || lastQueued == RTCRS_NOT_REGISTERED
            || lastQueued == RTCRS_REJECTED))
        return -1;
    return state;
}

} // namespace ralu
