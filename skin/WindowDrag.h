// Moves a borderless window when its body is dragged with the left button.
// Installed on the window itself; the window's children that should act as
// grab areas let mouse events through to it.
#pragma once

#include <QObject>
#include <QPoint>

class QWidget;

namespace ralu {

class WindowDrag : public QObject {
    Q_OBJECT
public:
    explicit WindowDrag(QWidget *window);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QWidget *m_window;
    QPoint m_pressPos;
    bool m_dragging = false;
};

} // namespace ralu
