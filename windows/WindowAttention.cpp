#include "windows/WindowAttention.h"

#include "engine/CallEngine.h"

#include <QApplication>
#include <QGuiApplication>
#include <QWidget>

#if QT_CONFIG(xcb)
#include <xcb/xcb.h>
#endif

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace ralu {

WindowAttention::WindowAttention(CallEngine &engine, std::function<void(bool)> setHint, QObject *parent)
    : QObject(parent)
    , m_setHint(std::move(setHint))
{
    connect(&engine.attention(), &CallAttention::flashWindowRequested, this, &WindowAttention::toggle);
    connect(&engine.attention(), &CallAttention::flashStopped, this, &WindowAttention::clear);
}

void WindowAttention::toggle()
{
    m_on = !m_on;
    if (m_setHint)
        m_setHint(m_on);
}

void WindowAttention::clear()
{
    if (!m_on)
        return;
    m_on = false;
    if (m_setHint)
        m_setHint(false);
}

namespace {

#if QT_CONFIG(xcb)
// ICCCM WM_HINTS: nine 32-bit fields, the first holding the flags.
constexpr std::uint32_t kUrgencyHint = 1u << 8;
constexpr std::uint32_t kHintFields = 9;

bool setUrgency(xcb_connection_t *connection, xcb_window_t window, bool on)
{
    std::uint32_t hints[kHintFields] = {};
    // Qt keeps its own fields (input, initial state) in WM_HINTS: they stay.
    const xcb_get_property_cookie_t cookie
        = xcb_get_property(connection, 0, window, XCB_ATOM_WM_HINTS, XCB_ATOM_WM_HINTS, 0, kHintFields);
    if (xcb_get_property_reply_t *reply = xcb_get_property_reply(connection, cookie, nullptr)) {
        if (reply->format == 32) {
            const int words = std::min<int>(xcb_get_property_value_length(reply) / 4, kHintFields);
            std::memcpy(hints, xcb_get_property_value(reply), static_cast<std::size_t>(words) * 4);
        }
        std::free(reply);
    }
    hints[0] = on ? (hints[0] | kUrgencyHint) : (hints[0] & ~kUrgencyHint);
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, window, XCB_ATOM_WM_HINTS, XCB_ATOM_WM_HINTS, 32,
        kHintFields, hints);
    return xcb_flush(connection) > 0;
}
#endif

} // namespace

void WindowAttention::setDesktopHint(QWidget *window, bool on)
{
    if (!window)
        return;
#if QT_CONFIG(xcb)
    if (auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>()) {
        if (xcb_connection_t *connection = x11->connection()) {
            setUrgency(connection, static_cast<xcb_window_t>(window->winId()), on);
            return;
        }
    }
#endif
    // Elsewhere the platform's own alert, for about one flash interval.
    if (on)
        QApplication::alert(window, 500);
}

} // namespace ralu
