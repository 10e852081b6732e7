#include "skin/PictureButton.h"

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
    setPixmap(m_released);
}

void PictureButton::showPressed(bool pressed)
{
    setPixmap(pressed ? m_pressed : m_released);
}

void PictureButton::mousePressEvent(QMouseEvent *event)
{
    if (isEnabled())
        showPressed(true);
    event->accept();
}

void PictureButton::mouseReleaseEvent(QMouseEvent *event)
{
    showPressed(false);
    event->accept();
    if (isEnabled() && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit clicked();
}

void PictureButton::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::EnabledChange)
        setPixmap(m_released); // a disabled picture is drawn dimmed by the style
    QLabel::changeEvent(event);
}

} // namespace ralu
