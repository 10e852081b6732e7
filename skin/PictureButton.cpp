#include "skin/PictureButton.h"

#include "skin/HoverHighlight.h"

#include <QEvent>

namespace ralu {

PictureButton::PictureButton(QWidget *parent)
    : SkinButton(parent)
{
    setScaledContents(true);
}

void PictureButton::setPicture(const QPixmap &picture)
{
    delete m_press;
    m_press = nullptr;
    m_still = picture;
    setPixmap(picture);
}

void PictureButton::setPictures(
    const QPixmap &released, const QPixmap &pressed, skin::PressPicture::Check check)
{
    m_still = QPixmap();
    if (m_press) {
        m_press->setPictures(pressed, released);
        m_press->setCheck(check);
    } else {
        m_press = new skin::PressPicture(this, pressed, released, check);
    }
}

void PictureButton::showPressed(bool pressed)
{
    if (m_press)
        m_press->show(pressed);
}

void PictureButton::setLatched(bool latched)
{
    if (m_press)
        m_press->setLatched(latched);
}

QPixmap PictureButton::releasedPicture() const
{
    return m_press ? m_press->releasedPicture() : m_still;
}

QPixmap PictureButton::pressedPicture() const
{
    return m_press ? m_press->pressedPicture() : m_still;
}

void PictureButton::setHoveredPicture(const QPixmap &hovered)
{
    delete m_hover;
    m_hover = new skin::HoverHighlight(this, releasedPicture(), hovered);
}

QPixmap PictureButton::hoveredPicture() const
{
    return m_hover ? m_hover->hoveredPicture() : QPixmap();
}

void PictureButton::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::EnabledChange && m_press)
        m_press->show(false); // a disabled picture is drawn dimmed by the style
    SkinButton::changeEvent(event);
}

} // namespace ralu
