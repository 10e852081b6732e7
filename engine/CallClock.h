// The two clocks shown while a call is connected: the time spent in the call
// and the account time left, both advanced by tick() once a second.
//
// Elapsed time counts in 16-bit signed fields. Remaining time holds whatever
// the billing server answered (hours and minutes stay empty until its first
// answer) and counts down to 0:0:0, where it stays.
#pragma once

#include <QString>
#include <QtGlobal>
#include <optional>

namespace ralu {

class CallClock {
public:
    // Elapsed call time.
    qint16 timehr = 0;
    qint16 timemin = 0;
    qint16 intConnectedSeconds = 0;

    // Remaining account time.
    std::optional<double> timehr1;
    std::optional<double> timemin1;
    double timesec = 0;

    void resetElapsed();
    // Seconds counted since the reset: one per tick.
    qint64 elapsedSeconds() const { return timehr * qint64(3600) + timemin * 60 + intConnectedSeconds; }

    void setRemaining(double hours, double minutes, double seconds);
    // Whole seconds, split into hours, minutes (0 to 59) and seconds (0 to 59);
    // below zero counts as zero.
    void setRemainingSeconds(qint64 seconds);
    // As before any billing answer: hours and minutes empty, seconds 0.
    void clearRemaining();

    // One second passes: carries the elapsed fields, renders the elapsed
    // text (showing the time before this second is counted), counts the
    // remaining time down one second and renders it.
    void tick();

    // "hh:mm:ss", each part at least two digits. Empty before the first tick.
    QString elapsedText() const { return m_elapsedText; }
    // "Account's Time: h:m:s", each part given a leading "0" when below 10.
    // Empty before the first tick.
    QString remainingText() const { return m_remainingText; }

private:
    QString m_elapsedText;
    QString m_remainingText;
};

} // namespace ralu
