// What the login window does, apart from drawing: fills its fields from the
// saved login, checks and takes a login, and leaves.
#pragma once

#include "account/SavedLogin.h"
#include "engine/AppState.h"
#include "engine/MessageBoxes.h"

#include <QStringList>
#include <functional>

namespace ralu {

struct LoginFields {
    QString account;
    QString password;
    QString server;
    bool saveChecked = true;
};

class LoginController {
public:
    // presets: the four preset servers as the server box lists them (the
    // domains with their trailing blank). registerAccount asks the main window
    // to register.
    LoginController(AppState &state, SavedLogin &savedLogin, MessageBoxes &boxes, QStringList presets,
        std::function<void()> registerAccount);

    const QStringList &presets() const { return m_presets; }

    // The fields as the window opens: the saved login, else empty fields, the
    // first preset and the box checked. A store that cannot be read is told.
    LoginFields load();

    // The login button. True when the login was taken and the window closes;
    // false (after a message) when it stays open. A login the store could not
    // keep (or forget) is still taken, after a message that says so.
    bool login(const QString &account, const QString &password, const QString &server, bool saveChecked);

    // The exit button; the window closes afterwards.
    void exit();

private:
    void reportStoreProblem(const QString &what);

    AppState &m_state;
    SavedLogin &m_savedLogin;
    MessageBoxes &m_boxes;
    QStringList m_presets;
    std::function<void()> m_registerAccount;
};

} // namespace ralu
