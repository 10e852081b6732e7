#include "windows/WindowLayer.h"

#include <QWidget>
#include <QWindow>

namespace ralu::windowlayer {

namespace {

void setOnTop(QWidget *window, bool onTop)
{
    if (!window)
        return;
    const Qt::WindowFlags flags = window->windowFlags().setFlag(Qt::WindowStaysOnTopHint, onTop);
    if (flags != window->windowFlags()) {
        // setWindowFlags would hide and re-create the window; the platform
        // window takes the new hint in place instead.
        window->overrideWindowFlags(flags);
        if (QWindow *handle = window->windowHandle())
            handle->setFlags(flags);
    }
    if (onTop && !window->isVisible()) {
        const bool quiet = window->testAttribute(Qt::WA_ShowWithoutActivating);
        window->setAttribute(Qt::WA_ShowWithoutActivating, true);
        window->show();
        window->setAttribute(Qt::WA_ShowWithoutActivating, quiet);
    }
    if (onTop)
        window->raise();
}

} // namespace

void placeOnTop(QWidget *window)
{
    setOnTop(window, true);
}

void leaveTopBand(QWidget *window)
{
    setOnTop(window, false);
}

bool isOnTop(const QWidget *window)
{
    return window && window->windowFlags().testFlag(Qt::WindowStaysOnTopHint);
}

} // namespace ralu::windowlayer
