#include "skin/PictureButton.h"

#include <QEnterEvent>
#include <QEvent>
#include <QMouseEvent>

namespace ralu {

PictureButton::PictureButton(QWidget *parent)
    : QLabel(parent)
{
    setScaledContents(true);
}

void PictureButton::setPictures(const QPixmap &released, const QPixmap &pressed)
{
    m_released = released;
    m_pressed = pressed;
    setPixmap(restingPicture());
}

void PictureButton::setHoveredPicture(const QPixmap &hovered)
{
    m_hovered = hovered;
    setPixmap(restingPicture());
}

QPixmap PictureButton::restingPicture() const
{
    return m_pointerInside && isEnabled() && !m_hovered.isNull() ? m_hovered : m_released;
}

void PictureButton::showPressed(bool pressed)
{
    m_down = pressed;
    setPixmap(pressed ? m_pressed : restingPicture());
}

void PictureButton::mousePressEvent(QMouseEvent *event)
{
    if (isEnabled())
        showPressed(true);
    event->accept();
}

void PictureButton::mouseReleaseEvent(QMouseEvent *event)
{
    m_pointerInside = rect().contains(event->position().toPoint());
    showPressed(false);
    event->accept();
    if (isEnabled() && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit clicked();
}

void PictureButton::enterEvent(QEnterEvent *event)
{
    m_pointerInside = true;
    if (!m_down)
        setPixmap(restingPicture());
    QLabel::enterEvent(event);
}

void PictureButton::leaveEvent(QEvent *event)
{
    m_pointerInside = false;
    if (!m_down)
        setPixmap(restingPicture());
    QLabel::leaveEvent(event);
}

void PictureButton::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::EnabledChange)
        setPixmap(restingPicture()); // a disabled picture is drawn dimmed by the style
    QLabel::changeEvent(event);
}

} // namespace ralu
