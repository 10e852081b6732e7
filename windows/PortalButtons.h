// The main window's seven portal buttons: each opens its page of the web
// portal in the browser, then puts the main window on top (without activating
// it) and gives the number box the focus.
#pragma once

#include "account/WebLinks.h"

#include <QObject>

namespace ralu {

class CallEngine;
class MainWindow;

class PortalButtons : public QObject {
    Q_OBJECT
public:
    PortalButtons(MainWindow &window, CallEngine &engine, QString portalBase, OpenAddress open);

private:
    void pageChosen(const QString &path);

    MainWindow &m_window;
    CallEngine &m_engine;
    QString m_portalBase;
    OpenAddress m_open;
};

} // namespace ralu
