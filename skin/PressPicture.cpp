#include "skin/PressPicture.h"

#include <QLabel>
#include <QMouseEvent>

namespace ralu::skin {

PressPicture::PressPicture(QLabel *box, const QPixmap &pressed, const QPixmap &released, Check check)
    : QObject(box)
    , m_box(box)
    , m_check(check)
{
    box->installEventFilter(this);
    setPictures(pressed, released);
}

void PressPicture::setPictures(const QPixmap &pressed, const QPixmap &released)
{
    m_pressed = pressed;
    m_released = released;
    show(false);
}

void PressPicture::show(bool pressed)
{
    m_box->setPixmap(pressed || m_latched ? m_pressed : m_released);
}

void PressPicture::setLatched(bool latched)
{
    m_latched = latched;
    show(false);
}

bool PressPicture::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != m_box)
        return false;
    if (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick) {
        // A disabled box takes no clicks, so it shows no press either.
        if (!m_box->isEnabled())
            return false;
        const QPointF at = static_cast<QMouseEvent *>(event)->position();
        const bool inside
            = at.x() >= 0 && at.y() >= 0 && at.x() <= m_box->width() && at.y() <= m_box->height();
        if (m_check == Check::None || inside)
            show(true);
    } else if (event->type() == QEvent::MouseButtonRelease || event->type() == QEvent::ContextMenu) {
        // Whatever the press did, the release restores; so does the right
        // press's menu, which takes the mouse before the release comes.
        show(false);
    }
    return false;
}

} // namespace ralu::skin
