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
    TextFile file;
    file.read(m_path);
    for (const QString &line : file.texts()) {
        if (!line.isEmpty() && line.at(0) == m_kind)
            m_items.append(TextFile::shown(line.mid(3)));
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
            return !line.text().isEmpty() && line.text().at(0) == m_kind;
        });
        if (!file.write(m_path, &error)) {
            m_boxes.show(
                QStringLiteral("Could not save the call history: ") + error, MessageBoxes::Icon::Error);
            return false;
        }
    }
    m_items.clear();
    return true;
}

QString RecentList::numberOf(const QString &item)
{
    const qsizetype blank = item.indexOf(QLatin1Char(' '));
    return blank < 0 ? item : item.left(blank);
}

} // namespace ralu
