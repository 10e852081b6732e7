#include "skin/HoverPicture.h"

#include <QLabel>
#include <QMouseEvent>

namespace ralu::skin {

HoverPicture::HoverPicture(QLabel *box, std::shared_ptr<HoverGroup> group, std::optional<Pictures> pictures)
    : QObject(box)
    , m_box(box)
    , m_group(std::move(group))
    , m_pictures(std::move(pictures))
{
    box->setMouseTracking(true); // moves without a button held reach the box
    box->installEventFilter(this);
    if (m_pictures)
        box->setPixmap(m_pictures->normal);
}

bool HoverPicture::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != m_box || event->type() != QEvent::MouseMove)
        return false;
    const QPointF at = static_cast<QMouseEvent *>(event)->position();
    if (!m_group->m_lit) {
        m_group->m_lit = true;
        if (m_pictures)
            m_box->setPixmap(m_pictures->hovered);
        m_group->m_captor = m_box;
        m_box->grabMouse();
    } else if (at.x() < 0 || at.y() < 0 || at.x() > m_box->width() || at.y() > m_box->height()) {
        m_group->m_lit = false;
        if (m_pictures)
            m_box->setPixmap(m_pictures->normal);
        // Lets go of the mouse whichever box of the window holds it.
        if (QWidget *captor = m_group->m_captor)
            captor->releaseMouse();
        m_group->m_captor = nullptr;
    }
    return false;
}

} // namespace ralu::skin
