// What the call history window shows and does, without the window: the kind
// of entry on view, its entries read from recentcall.txt, and the clearing
// of one kind from the file.
#pragma once

#include "engine/MessageBoxes.h"

#include <QChar>
#include <QString>
#include <QStringList>

namespace ralu {

class RecentList {
public:
    // Bounds that keep the window quick and small for a file of any size
    // (it grows with every call until a kind is cleared): the list reads the
    // last 4 MB of the file (some 100,000 calls) and shows the newest
    // entries of the kind found there. Clearing copies the file through
    // memory in pieces; past 64 MB (a million and a half calls) it is
    // refused, so it never holds the window for long.
    static constexpr qint64 kReadTail = 4 << 20;
    static constexpr qsizetype kMaxListed = 1000;
    static constexpr qint64 kMaxClearSize = 64 << 20;

    // path is the history file (CallHistoryLog::filePath()).
    RecentList(QString path, MessageBoxes &boxes);

    // 'D' dialed, 'R' received or 'M' missed.
    QChar kind() const { return m_kind; }
    void setKind(QChar kind) { m_kind = kind; }

    // The entries of the current kind as the list shows them (the line after
    // its "D::", cut to TextFile::kShownLength characters), in file order:
    // the newest kMaxListed of the last kReadTail bytes. Output only: what an
    // entry dials is numbers().
    const QStringList &items() const { return m_items; }
    // The number of each entry of items(), whole as the file holds it.
    const QStringList &numbers() const { return m_numbers; }

    // Rereads the file for the current kind; a missing file gives no entries,
    // one that cannot be read (or is no regular file) is told.
    void load();

    // Takes every line of the current kind out of the file, keeping all other
    // lines, empty ones included, in their order and byte for byte. False,
    // with the user told and the entries still listed, when the file could
    // not be read or replaced, or is larger than kMaxClearSize; the file is
    // then as it was.
    bool clearKind();

    // The number of an entry (the line after its "D::"): its text before the
    // first blank.
    static QString numberOf(const QString &item);

private:
    QString m_path;
    MessageBoxes &m_boxes;
    QChar m_kind = QLatin1Char('D');
    QStringList m_items;
    QStringList m_numbers;
};

} // namespace ralu
