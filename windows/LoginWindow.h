// The login window: account number, password and preset server, with the
// choice to remember them. Borderless, cut to its background picture, dragged
// by its body. Created afresh for every showing.
#pragma once

#include "account/LoginController.h"

#include "skin/SkinnedDialog.h"
#include <QCheckBox>
#include <QComboBox>

#include <QDialog>
#include <QLineEdit>

namespace ralu {

class PictureButton;

class LoginWindow : public skin::SkinnedDialog {
    Q_OBJECT
public:
    LoginWindow(LoginController &controller, QWidget *parent = nullptr);

    QLineEdit *accountBox() const { return m_account; }
    QLineEdit *passwordBox() const { return m_password; }
    QComboBox *serverBox() const { return m_server; }
    QCheckBox *saveBox() const { return m_save; }
    PictureButton *loginButton() const { return m_login; }
    PictureButton *exitButton() const { return m_exit; }

    // Leaves as the exit button does.
    void reject() override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    // Every preset server shows whole: the box's font shrinks to the longest.
    void fitServers();
    void login();

    LoginController &m_controller;
    QLineEdit *m_account = nullptr;
    QLineEdit *m_password = nullptr;
    QComboBox *m_server = nullptr;
    QCheckBox *m_save = nullptr;
    PictureButton *m_login = nullptr;
    PictureButton *m_exit = nullptr;
};

} // namespace ralu
