#include "calls/RecentList.h"

#include "files/TextFile.h"

namespace ralu {

RecentList::RecentList(QString path, MessageBoxes &boxes)
    : m_path(std::move(path))
    , m_boxes(boxes)
{
}

void RecentList::load()
{
    m_items.clear();
    m_numbers.clear();
    // Only the end of the file is read, and its newest entries kept: a
    // history of any size opens at once.
    QString error;
    const bool read = TextFile::readTail(
        m_path, kReadTail,
        [this](const QString &line) {
            if (line.isEmpty() || line.at(0) != m_kind)
                return;
            const QString entry = line.mid(3);
            m_items.append(TextFile::shown(entry));
            m_numbers.append(numberOf(entry)); // not of the shown text: that may be cut
            if (m_items.size() > kMaxListed) {
                m_items.removeFirst();
                m_numbers.removeFirst();
            }
        },
        &error);
    if (!read)
        m_boxes.show(QStringLiteral("Could not read the call history: ") + error, MessageBoxes::Icon::Error);
}

bool RecentList::clearKind()
{
    // A file that cannot be read is never replaced (by nothing).
    QString error;
    const bool cleared = TextFile::removeLines(
        m_path, [this](const QString &line) { return !line.isEmpty() && line.at(0) == m_kind; },
        kMaxClearSize, &error);
    if (!cleared) {
        m_boxes.show(QStringLiteral("Could not save the call history: ") + error, MessageBoxes::Icon::Error);
        return false;
    }
    m_items.clear();
    m_numbers.clear();
    return true;
}

QString RecentList::numberOf(const QString &item)
{
    const qsizetype blank = item.indexOf(QLatin1Char(' '));
    return blank < 0 ? item : item.left(blank);
}

} // namespace ralu
