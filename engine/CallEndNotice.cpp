#include "engine/CallEndNotice.h"

namespace ralu {

CallEndNotice CallEndNotice::of(RtcCallEnd end)
{
    constexpr int kMoment = 2; // the ready timer's own interval
    constexpr int kReadable = 3000;
    switch (end) {
    case RTCCE_NONE:
        return { QStringLiteral("Disconnected"), kMoment };
    case RTCCE_BUSY:
        return { QStringLiteral("Busy"), kReadable };
    case RTCCE_DECLINED:
        return { QStringLiteral("Call declined"), kReadable };
    case RTCCE_NOT_FOUND:
        return { QStringLiteral("Number not found"), kReadable };
    case RTCCE_UNAVAILABLE:
        return { QStringLiteral("Not reachable"), kReadable };
    case RTCCE_NO_ANSWER:
        return { QStringLiteral("No answer"), kReadable };
    case RTCCE_NO_CODEC:
        return { QStringLiteral("No common codec"), kReadable };
    case RTCCE_NETWORK:
        return { QStringLiteral("Network error"), kReadable };
    case RTCCE_OTHER:
        break;
    }
    return { QStringLiteral("Call failed"), kReadable }; // also any value the client adds later
}

} // namespace ralu
