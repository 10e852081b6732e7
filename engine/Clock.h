// Wall clock seen by the parts of Ralu that stamp things with the time, so
// tests can fix "now".
#pragma once

#include <QDateTime>

namespace ralu {

class Clock {
public:
    virtual ~Clock() = default;
    virtual QDateTime now() const = 0;
};

// The local time of the machine.
class SystemClock : public Clock {
public:
    QDateTime now() const override { return QDateTime::currentDateTime(); }
};

} // namespace ralu
