#include "calls/CallHistoryLog.h"
#include "files/TextLines.h"

#include "engine/Clock.h"

#include <QDateTime>
#include <QDir>
#include <QFile>

namespace ralu {

namespace {

QString twoDigits(int value)
{
    return QStringLiteral("%1").arg(value, 2, 10, QLatin1Char('0'));
}

const char *prefixFor(int kind)
{
    switch (kind) {
    case CallHistoryLog::Dialed: return "D::";
    case CallHistoryLog::Received: return "R::";
    case CallHistoryLog::Missed: return "M::";
    default: return nullptr;
    }
}

// What must go before a new entry so it starts on a line of its own: nothing
// for a missing or empty file or one ending in LF, LF for a file cut after
// the CR of a CR LF, CR LF for a last line with no line end at all.
QByteArray lineEndNeeded(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() == 0)
        return {};
    if (!file.seek(file.size() - 1))
        return {};
    char last = 0;
    if (!file.getChar(&last) || last == '\n')
        return {};
    return last == '\r' ? QByteArray("\n") : QByteArray("\r\n");
}

} // namespace

CallHistoryLog::CallHistoryLog(const QString &folder, const Clock &clock)
    : m_path(QDir(folder).filePath(QString::fromLatin1(kFileName))), m_clock(&clock)
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
    const char *prefix = prefixFor(kind);
    if (!prefix)
        return false;

    const QString entry = QLatin1String(prefix) + number + QLatin1String("  [")
        + formatStamp(m_clock->now()) + QLatin1Char(']');
    const QByteArray bytes = lineEndNeeded(m_path) + entry.toUtf8() + "\r\n\r\n";

    QFile file(m_path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append))
        return false;
    const bool written = file.write(bytes) == bytes.size() && file.flush();
    file.close();
    return written;
}

QStringList CallHistoryLog::entries(QChar kind) const
{
    QStringList result;
    for (const QString &line : readTextLines(m_path)) {
        if (!line.isEmpty() && line.at(0) == kind)
            result.append(line.mid(3));
    }
    return result;
}

} // namespace ralu
