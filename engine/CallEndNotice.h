// What the status line says when a call ends, and for how long before the
// ready text replaces it. A normal end says "Disconnected" for a moment, as
// it always has; a failure says why, long enough to be read.
#pragma once

#include "engine/RtcClient.h"

#include <QString>

namespace ralu {

struct CallEndNotice {
    QString text;
    int shownMs = 0;

    static CallEndNotice of(RtcCallEnd end);
    // The call ended because its far end was put through to another number.
    static CallEndNotice transferred() { return { QStringLiteral("Transferred"), 3000 }; }
};

} // namespace ralu
