// The tray icon with its menu (Show, Exit), and the window's own menu
// (Account, Exit) for desktops without a tray.
#pragma once

#include <QIcon>
#include <QObject>
#include <QPoint>

class QMenu;
class QSystemTrayIcon;
class QWidget;

namespace ralu {

class TrayMenu : public QObject {
    Q_OBJECT
public:
    TrayMenu(const QIcon &icon, QWidget *owner);

    // The tray icon is put up while the window is hidden to it.
    void showIcon();
    void hideIcon();
    static bool trayAvailable();
    QMenu *trayMenu() const { return m_trayMenu; }

    // The window's menu at a screen position; returns once it has closed.
    void popupWindowMenu(const QPoint &globalPos);

signals:
    void showChosen();
    void exitChosen();
    void accountChosen();

private:
    QWidget *m_owner;
    QMenu *m_trayMenu;
    QSystemTrayIcon *m_tray;
};

} // namespace ralu
