#include "skin/HoverHighlight.h"

#include <QEvent>
#include <QLabel>
#include <QPainter>

namespace ralu::skin {

HoverHighlight::HoverHighlight(QLabel *box, const QPixmap &resting, const QPixmap &hovered)
    : QObject(box)
    , m_box(box)
    , m_resting(resting)
    , m_hovered(hovered.isNull() ? lightened(resting) : hovered)
{
    box->installEventFilter(this);
}

QPixmap HoverHighlight::lightened(const QPixmap &resting)
{
    if (resting.isNull())
        return resting;
    QPixmap out = resting.copy();
    QPainter p(&out);
    p.setCompositionMode(QPainter::CompositionMode_SourceAtop); // only where the picture is
    p.fillRect(out.rect(), QColor(255, 255, 255, 70));
    return out;
}

bool HoverHighlight::shows(const QPixmap &picture) const
{
    return !picture.isNull() && m_box->pixmap().cacheKey() == picture.cacheKey();
}

bool HoverHighlight::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != m_box)
        return false;
    if (event->type() == QEvent::Enter && m_box->isEnabled() && shows(m_resting))
        m_box->setPixmap(m_hovered);
    else if (event->type() == QEvent::Leave && shows(m_hovered))
        m_box->setPixmap(m_resting);
    else if (event->type() == QEvent::EnabledChange && !m_box->isEnabled() && shows(m_hovered))
        m_box->setPixmap(m_resting);
    return false;
}

} // namespace ralu::skin
