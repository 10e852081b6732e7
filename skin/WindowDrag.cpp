#include "skin/WindowDrag.h"

#include <QGuiApplication>
#include <QMouseEvent>
#include <QWidget>
#include <QWindow>

#include <cmath>

namespace ralu {

namespace {

// One drag at a time in the whole program: every window shares the press.
DragMove &sharedDrag()
{
    static DragMove drag;
    return drag;
}

bool compositorPlacesWindows()
{
    return QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

int roundHalfEven(double value)
{
    return static_cast<int>(std::nearbyint(value));
}

} // namespace

void DragMove::press(QPointF pointer, QPoint windowTopLeft)
{
    m_press = pointer;
    m_pressRounded = QPoint(roundHalfEven(pointer.x()), roundHalfEven(pointer.y()));
    m_window = windowTopLeft;
}

bool DragMove::travelledFar(QPointF pointer) const
{
    return std::abs(pointer.x() - m_press.x()) > kThreshold
        || std::abs(pointer.y() - m_press.y()) > kThreshold;
}

QPoint DragMove::movedTopLeft(QPointF pointer) const
{
    return QPoint(roundHalfEven(m_window.x() + pointer.x() - m_pressRounded.x()),
        roundHalfEven(m_window.y() + pointer.y() - m_pressRounded.y()));
}

WindowDrag::WindowDrag(QWidget *window)
    : QObject(window)
    , m_window(window)
{
    window->installEventFilter(this);
}

void WindowDrag::addGrabArea(QWidget *area)
{
    area->installEventFilter(this);
}

bool WindowDrag::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick: { // a double click's second press
        auto *mouse = static_cast<QMouseEvent *>(event);
        sharedDrag().press(mouse->position(), m_window->pos());
        m_held = mouse->buttons() | mouse->button();
        m_systemMove = false;
        break;
    }
    case QEvent::MouseMove: {
        auto *mouse = static_cast<QMouseEvent *>(event);
        if (compositorPlacesWindows() && !m_systemMove && mouse->buttons() != Qt::NoButton
            && sharedDrag().travelledFar(mouse->position()) && m_window->windowHandle())
            m_systemMove = m_window->windowHandle()->startSystemMove();
        break;
    }
    case QEvent::MouseButtonRelease: {
        auto *mouse = static_cast<QMouseEvent *>(event);
        m_held = mouse->buttons();
        const bool moved = !m_systemMove && sharedDrag().travelledFar(mouse->position());
        if (moved)
            m_window->move(sharedDrag().movedTopLeft(mouse->position()));
        m_systemMove = false;
        if (m_afterRelease)
            m_afterRelease(qobject_cast<QWidget *>(watched), moved);
        break;
    }
    default:
        break;
    }
    return false;
}

} // namespace ralu
