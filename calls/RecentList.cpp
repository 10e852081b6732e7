#include "calls/RecentList.h"

#include "calls/CallHistoryLog.h"
#include "files/TextLines.h"
#include "files/SafeRewrite.h"

#include <QFile>
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
    for (const QString &line : readTextLines(m_path)) {
        if (!line.isEmpty() && line.at(0) == m_kind)
            m_items.append(line.mid(3));
    }
}

bool RecentList::clearKind()
{
    if (QFileInfo::exists(m_path)) {
        // An unreadable file would read as empty and be replaced by nothing.
        QFile probe(m_path);
        if (!probe.open(QIODevice::ReadOnly)) {
            m_boxes.show(QStringLiteral("Could not read the call history: ") + probe.errorString(),
                MessageBoxes::Icon::Error);
            return false;
        }
        probe.close();
        QStringList kept;
        for (const QString &line : readTextLines(m_path)) {
            if (line.isEmpty() || line.at(0) != m_kind)
                kept.append(line);
        }
        QString error;
        if (!rewriteTextFile(m_path, kept, &error)) {
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
