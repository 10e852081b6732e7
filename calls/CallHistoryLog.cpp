#include "calls/CallHistoryLog.h"
#include "files/TextFile.h"

#include "engine/Clock.h"

#include <QDateTime>
#include <QDir>

namespace ralu {

namespace {

QString twoDigits(int value)
{
    return QStringLiteral("%1").arg(value, 2, 10, QLatin1Char('0'));
}

const char *prefixFor(int kind)
{
    switch (kind) {
    case CallHistoryLog::Dialed:
        return "D::";
    case CallHistoryLog::Received:
        return "R::";
    case CallHistoryLog::Missed:
        return "M::";
    default:
        return nullptr;
    }
}

} // namespace

CallHistoryLog::CallHistoryLog(const QString &folder, const Clock &clock)
    : m_path(QDir(folder).filePath(QString::fromLatin1(kFileName)))
    , m_clock(&clock)
{
}

QString CallHistoryLog::formatStamp(const QDateTime &when)
{
    const QDate date = when.date();
    const QTime time = when.time();
    const int hour24 = time.hour();
    const int hour12 = hour24 % 12 == 0 ? 12 : hour24 % 12;
    return twoDigits(date.day()) + QLatin1Char('/') + twoDigits(date.month()) + QLatin1Char('/')
        + twoDigits(date.year() % 100) + QLatin1Char(' ') + twoDigits(hour12) + QLatin1Char(':')
        + twoDigits(time.minute()) + (hour24 < 12 ? QLatin1String(" AM") : QLatin1String(" PM"));
}

bool CallHistoryLog::addRecentCall(const QString &number, int kind)
{
    m_error.clear();
    const char *prefix = prefixFor(kind);
    if (!prefix)
        return false;

    // A caller's number comes from the network and may hold a line break;
    // written as a blank, it cannot split the entry or add one of its own.
    QString oneLine = number;
    oneLine.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
    const QString entry = QLatin1String(prefix) + oneLine + QLatin1String("  [") + formatStamp(m_clock->now())
        + QLatin1Char(']');
    // The entry and the empty line after it; what is there stays untouched.
    return TextFile::appendLines(m_path, { entry, QString() }, &m_error);
}

QStringList CallHistoryLog::entries(QChar kind) const
{
    QStringList result;
    TextFile file;
    file.read(m_path);
    for (const QString &line : file.texts()) {
        if (!line.isEmpty() && line.at(0) == kind)
            result.append(line.mid(3));
    }
    return result;
}

} // namespace ralu
