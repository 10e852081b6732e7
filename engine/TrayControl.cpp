#include "engine/TrayControl.h"

namespace ralu {

TrayControl::TrayControl(AppState &state, std::function<bool()> trayAvailable, Window window)
    : m_state(state)
    , m_trayAvailable(std::move(trayAvailable))
    , m_window(std::move(window))
{
}

void TrayControl::run(const std::function<void()> &operation)
{
    if (operation)
        operation();
}

void TrayControl::hideButton()
{
    m_state.blnInTray = true;
    run(m_window.minimise);
}

void TrayControl::windowMinimised()
{
    if (m_inTray || !m_trayAvailable || !m_trayAvailable())
        return;
    m_inTray = true;
    run(m_window.showIcon);
    run(m_window.hide);
}

void TrayControl::show()
{
    if (m_state.blnPhoneBookOpen)
        return;
    m_state.blnInTray = false;
    m_inTray = false;
    run(m_window.hideIcon);
    run(m_window.showNormal);
    run(m_window.focusNumberBox);
}

} // namespace ralu
