#include "windows/TrayMenu.h"

#include <QMenu>
#include <QSystemTrayIcon>
#include <QWidget>

namespace ralu {

TrayMenu::TrayMenu(const QIcon &icon, QWidget *owner, AppState &state, std::function<void()> focusNumberBox)
    : QObject(owner)
    , m_owner(owner)
    , m_trayMenu(new QMenu(owner))
    , m_tray(new QSystemTrayIcon(this))
    , m_control(state, &TrayMenu::trayAvailable, windowOperations(std::move(focusNumberBox)))
{
    m_trayMenu->setObjectName(QStringLiteral("Mnutray"));
    QAction *show = m_trayMenu->addAction(QStringLiteral("Show"));
    show->setObjectName(QStringLiteral("mnuShow"));
    connect(show, &QAction::triggered, this, [this] { m_control.show(); });
    QAction *exit = m_trayMenu->addAction(QStringLiteral("Exit"));
    exit->setObjectName(QStringLiteral("mnuExit"));
    connect(exit, &QAction::triggered, this, &TrayMenu::exitChosen);

    m_tray->setToolTip(QStringLiteral("Ralu"));
    m_tray->setIcon(icon);
    // The right button opens the menu; the left one shows the window.
    m_tray->setContextMenu(m_trayMenu);
    connect(m_tray, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger)
            m_control.show();
    });
}

TrayControl::Window TrayMenu::windowOperations(std::function<void()> focusNumberBox)
{
    TrayControl::Window window;
    window.minimise = [this] { m_owner->showMinimized(); };
    // Hidden once the minimise has been handled, not inside its event; unless
    // shown again meanwhile.
    window.hide = [this] {
        QMetaObject::invokeMethod(
            this,
            [this] {
                if (m_control.inTray())
                    m_owner->hide();
            },
            Qt::QueuedConnection);
    };
    window.showNormal = [this] {
        m_owner->showNormal();
        m_owner->raise();
        m_owner->activateWindow();
    };
    window.showIcon = [this] { m_tray->show(); };
    window.hideIcon = [this] { hideIcon(); };
    window.focusNumberBox = std::move(focusNumberBox);
    return window;
}

void TrayMenu::hideIcon()
{
    m_tray->hide();
}

bool TrayMenu::trayAvailable()
{
    return QSystemTrayIcon::isSystemTrayAvailable();
}

void TrayMenu::popupWindowMenu(const QPoint &globalPos)
{
    // The login window, and the tray menu's Exit, so that desktops without a
    // tray can still end Ralu.
    QMenu menu(m_owner);
    QAction *account = menu.addAction(QStringLiteral("Account"));
    account->setObjectName(QStringLiteral("mnuAccount"));
    menu.addAction(m_trayMenu->findChild<QAction *>(QStringLiteral("mnuExit")));
    if (menu.exec(globalPos) == account)
        emit accountChosen();
}

} // namespace ralu
