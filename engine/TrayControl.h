// The decisions of the tray: when the main window goes to the tray and when it
// comes back. The window and the icon are reached through the operations
// given, so the decisions run without a desktop. Where the desktop has no
// tray, a minimised window stays minimised in the task bar instead of hiding:
// it can always be found again.
#pragma once

#include "engine/AppState.h"

#include <functional>

namespace ralu {

class TrayControl {
public:
    // What the tray acts on; an operation left empty does nothing.
    struct Window {
        std::function<void()> minimise; // ask for the minimised state
        std::function<void()> hide; // off the screen, out of the task bar
        std::function<void()> showNormal; // normal state, shown, in front
        std::function<void()> showIcon;
        std::function<void()> hideIcon;
        std::function<void()> focusNumberBox;
    };

    TrayControl(AppState &state, std::function<bool()> trayAvailable, Window window);

    // The two hide buttons: blnInTray, then minimise.
    void hideButton();
    // The window has become minimised (by a hide button or by the desktop).
    void windowMinimised();
    // The tray menu's Show, a left click on the icon and an incoming call while
    // blnInTray is set; nothing while the phone book is open.
    void show();

    // The window is hidden with the icon up.
    bool inTray() const { return m_inTray; }

private:
    static void run(const std::function<void()> &operation);

    AppState &m_state;
    std::function<bool()> m_trayAvailable;
    Window m_window;
    bool m_inTray = false;
};

} // namespace ralu
