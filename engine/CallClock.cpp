#include "engine/CallClock.h"

#include <QLocale>

#include <algorithm>

namespace ralu {

namespace {

QString twoDigits(qint16 value)
{
    return QString::number(value).rightJustified(2, QLatin1Char('0'));
}

// Plain decimal text: 59 -> "59", 9.5 -> "9.5", never an exponent.
QString plainText(double value)
{
    if (value == 0)
        return QStringLiteral("0"); // also for -0
    return QString::number(value, 'f', QLocale::FloatingPointShortest);
}

// A part of the remaining time: values below 10 get a "0" in front; an empty
// value counts as below 10 and has no text of its own, so it shows as "0".
QString remainingPart(const std::optional<double> &value)
{
    if (value && *value >= 10)
        return plainText(*value);
    return QLatin1Char('0') + (value ? plainText(*value) : QString());
}

// Comparisons on a remaining-time part as the countdown makes them: an empty
// value is never above zero but does equal zero.
bool above0(const std::optional<double> &value)
{
    return value && *value > 0;
}
bool equals0(const std::optional<double> &value)
{
    return !value || *value == 0;
}

} // namespace

void CallClock::resetElapsed()
{
    timehr = 0;
    timemin = 0;
    intConnectedSeconds = 0;
}

void CallClock::setRemaining(double hours, double minutes, double seconds)
{
    timehr1 = hours;
    timemin1 = minutes;
    timesec = seconds;
}

void CallClock::setRemainingSeconds(qint64 seconds)
{
    const qint64 left = std::max<qint64>(seconds, 0);
    setRemaining(double(left / 3600), double(left % 3600 / 60), double(left % 60));
}

void CallClock::clearRemaining()
{
    timehr1.reset();
    timemin1.reset();
    timesec = 0;
}

void CallClock::tick()
{
    if (intConnectedSeconds == 60) {
        intConnectedSeconds = 0;
        timemin = static_cast<qint16>(timemin + 1);
    }
    if (timemin == 60) {
        timemin = 0;
        timehr = static_cast<qint16>(timehr + 1);
    }
    m_elapsedText = twoDigits(timehr) + QLatin1Char(':') + twoDigits(timemin) + QLatin1Char(':')
        + twoDigits(intConnectedSeconds);
    intConnectedSeconds = static_cast<qint16>(intConnectedSeconds + 1);

    if (timesec > 0) {
        timesec -= 1;
    } else if (above0(timemin1) && timesec == 0) {
        timemin1 = *timemin1 - 1;
        timesec = 59;
    } else if (above0(timehr1) && equals0(timemin1) && timesec == 0) {
        timehr1 = *timehr1 - 1;
        timemin1 = 59;
        timesec = 59;
    }

    const QString seconds = timesec >= 10 ? plainText(timesec) : QLatin1Char('0') + plainText(timesec);
    m_remainingText = QStringLiteral("Account's Time: ") + remainingPart(timehr1) + QLatin1Char(':')
        + remainingPart(timemin1) + QLatin1Char(':') + seconds;
}

} // namespace ralu
