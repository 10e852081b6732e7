#include "calls/RecentList.h"

#include "calls/CallHistoryLog.h"
#include "files/TextFile.h"

#include <QFileInfo>

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
    TextFile file;
    file.read(m_path);
    for (const QString &line : file.texts()) {
        if (!line.isEmpty() && line.at(0) == kindLetter(m_kind)) {
            const QString entry = line.mid(3);
            m_items.append(TextFile::shown(entry));
            m_numbers.append(numberOf(entry)); // not of the shown text: that may be cut
        }
    }
}

bool RecentList::clearKind()
{
    if (QFileInfo::exists(m_path)) {
        // An unreadable file would read as empty and be replaced by nothing.
        TextFile file;
        QString error;
        if (!file.read(m_path, &error)) {
            m_boxes.show(
                QStringLiteral("Could not read the call history: ") + error, MessageBoxes::Icon::Error);
            return false;
        }
        file.lines().removeIf([this](const TextFile::Line &line) {
            return !line.text().isEmpty() && line.text().at(0) == kindLetter(m_kind);
        });
        if (!file.write(m_path, &error)) {
            m_boxes.show(
                QStringLiteral("Could not save the call history: ") + error, MessageBoxes::Icon::Error);
            return false;
        }
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
