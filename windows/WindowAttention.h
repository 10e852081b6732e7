// The main window's call for attention while a call is offered: each flash
// tick of the call engine inverts the window's attention hint (task bars
// highlight the window while it is set), and the end of the flash clears it.
#pragma once

#include <QObject>
#include <functional>

class QWidget;

namespace ralu {

class CallEngine;

class WindowAttention : public QObject {
    Q_OBJECT
public:
    // setHint(on) sets or clears the hint on the window.
    WindowAttention(CallEngine &engine, std::function<void(bool on)> setHint, QObject *parent = nullptr);

    bool hintSet() const { return m_on; }

    // The desktop's attention hint of a top-level window: the urgency flag of
    // its WM_HINTS on X11, Qt's alert elsewhere.
    static void setDesktopHint(QWidget *window, bool on);

private:
    void toggle();
    void clear();

    std::function<void(bool)> m_setHint;
    bool m_on = false;
};

} // namespace ralu
