// The tray icon (tip "Ralu") with its menu (Show, Exit), the window's own menu
// (Account, Exit) for desktops without a tray, and the tray's decisions
// (TrayControl) bound to the main window and the icon.
#pragma once

#include "engine/TrayControl.h"

#include <QIcon>
#include <QObject>
#include <QPoint>
#include <functional>

class QMenu;
class QSystemTrayIcon;
class QWidget;

namespace ralu {

class TrayMenu : public QObject {
    Q_OBJECT
public:
    // owner is the main window; focusNumberBox is its operation of that name.
    TrayMenu(const QIcon &icon, QWidget *owner, AppState &state, std::function<void()> focusNumberBox);

    TrayControl &control() { return m_control; }
    void hideIcon();
    static bool trayAvailable();
    QMenu *trayMenu() const { return m_trayMenu; }

    // The window's menu at a screen position; returns once it has closed.
    void popupWindowMenu(const QPoint &globalPos);

signals:
    void exitChosen();
    void accountChosen();

private:
    TrayControl::Window windowOperations(std::function<void()> focusNumberBox);

    QWidget *m_owner;
    QMenu *m_trayMenu;
    QSystemTrayIcon *m_tray;
    TrayControl m_control;
};

} // namespace ralu
