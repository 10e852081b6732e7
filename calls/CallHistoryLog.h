// The call history file recentcall.txt in the user's folder.
//
// One entry per call, each followed by an empty line:
//     D::555  [01/01/10 12:05 AM]
// The prefix tells the kind (D:: dialed, R:: received, M:: missed), the
// stamp is DD/MM/YY hh:mm AM/PM on a 12-hour clock, written the same way
// whatever the locale. New entries are UTF-8 with CR LF line ends; lines put
// there by other means are read and kept as TextFile reads and keeps them.
// The log only ever appends; the history window's clear (RecentList)
// rewrites the file, keeping the bytes of every line it does not take out.
#pragma once

#include <QChar>
#include <QString>
#include <QStringList>

class QDateTime;

namespace ralu {

class Clock;

class CallHistoryLog {
public:
    enum Kind { Missed = 0, Received = 1, Dialed = 2 };

    static constexpr const char *kFileName = "recentcall.txt";

    // The clock must outlive the log.
    CallHistoryLog(const QString &folder, const Clock &clock);

    QString filePath() const { return m_path; }

    // Appends one entry stamped with the clock's time. Returns false, without
    // touching the file, for a kind other than Missed/Received/Dialed, and
    // false, with the reason in lastError(), when the file cannot be opened,
    // is no regular file (RegularFile.h) or takes only part of the entry
    // (no room): the file then is as it was. A file whose last line lacks a
    // line end first gets one, so the new entry never joins the old last
    // line. A CR or LF in the number is written as a blank: one call, one
    // line.
    bool addRecentCall(const QString &number, int kind);
    // Why the last addRecentCall could not write, "path: reason"; empty
    // when it could, or was given no kind.
    const QString &lastError() const { return m_error; }

    // "DD/MM/YY hh:mm AM" / "... PM"; midnight is 12 AM, noon 12 PM.
    static QString formatStamp(const QDateTime &when);

    // For each line starting with `kind` ('D', 'R' or 'M'), in file order,
    // the line from its 4th character on (the text after "D::").
    QStringList entries(QChar kind) const;

private:
    QString m_path;
    const Clock *m_clock;
    QString m_error;
};

} // namespace ralu
