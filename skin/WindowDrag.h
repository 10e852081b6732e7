// Moves a borderless window by its body: the window stays put while a mouse
// button is held and jumps once, at the release, by the pointer's travel,
// when that travel is more than 5 pixels across or down. Any button drags.
// Under Wayland, where a client cannot place its own window, the move is
// handed to the compositor as soon as the pointer has travelled that far.
#pragma once

#include <QObject>
#include <QPoint>
#include <QPointF>

#include <functional>

class QWidget;

namespace ralu {

// The arithmetic of one drag, in pixels.
class DragMove {
public:
    static constexpr int kThreshold = 5;

    // Pointer position at the press (relative to the pressed element) and
    // the window's top-left on the screen.
    void press(QPointF pointer, QPoint windowTopLeft);
    // More than kThreshold pixels horizontally or vertically since the press.
    bool travelledFar(QPointF pointer) const;
    // The window's top-left moved by the pointer's travel.
    QPoint movedTopLeft(QPointF pointer) const;

private:
    QPointF m_press;
    QPoint m_pressRounded; // halves to even
    QPoint m_window;
};

class WindowDrag : public QObject {
    Q_OBJECT
public:
    // The window itself is a grab area: its children that let the mouse
    // through (the background picture, captions) count as its body.
    explicit WindowDrag(QWidget *window);

    // A child whose own mouse events also drag the window; it still gets
    // them, so a text box keeps its caret and selection.
    void addGrabArea(QWidget *area);
    // Run after every release on a grab area with the area released on and
    // whether the window moved.
    void setAfterRelease(std::function<void(QWidget *area, bool moved)> f) { m_afterRelease = std::move(f); }

    // The buttons held since a press on a grab area.
    Qt::MouseButtons heldButtons() const { return m_held; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QWidget *m_window;
    std::function<void(QWidget *, bool)> m_afterRelease;
    Qt::MouseButtons m_held;
    bool m_systemMove = false; // the compositor has the move of this drag
};

} // namespace ralu
