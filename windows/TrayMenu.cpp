#include "windows/TrayMenu.h"

#include <QMenu>
#include <QSystemTrayIcon>
#include <QWidget>

namespace ralu {

TrayMenu::TrayMenu(const QIcon &icon, QWidget *owner)
    : QObject(owner)
    , m_owner(owner)
    , m_trayMenu(new QMenu(owner))
    , m_tray(new QSystemTrayIcon(this))
{
    m_trayMenu->setObjectName(QStringLiteral("Mnutray"));
    QAction *show = m_trayMenu->addAction(QStringLiteral("Show"));
    show->setObjectName(QStringLiteral("mnuShow"));
    connect(show, &QAction::triggered, this, &TrayMenu::showChosen);
    QAction *exit = m_trayMenu->addAction(QStringLiteral("Exit"));
    exit->setObjectName(QStringLiteral("mnuExit"));
    connect(exit, &QAction::triggered, this, &TrayMenu::exitChosen);

    m_tray->setToolTip(QStringLiteral("Ralu"));
    m_tray->setIcon(icon);
    m_tray->setContextMenu(m_trayMenu);
    connect(m_tray, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger)
            emit showChosen();
    });
}

void TrayMenu::showIcon()
{
    m_tray->show();
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
