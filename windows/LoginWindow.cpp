#include "windows/LoginWindow.h"

#include "skin/TextFit.h"

#include <QBitmap>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QStyleOptionComboBox>
#include <QTimer>

namespace ralu {

LoginWindow::LoginWindow(LoginController &controller, QWidget *parent)
    : SkinnedDialog("frmLogin", QStringLiteral("Ralu"), skin::Background::Login, parent)
    , m_controller(controller)
{
    setAttribute(Qt::WA_DeleteOnClose, false);
    QFont captionFont(QStringLiteral("Arial"));
    captionFont.setPointSizeF(9.75);
    QFont boxFont(QStringLiteral("MS Sans Serif"));
    boxFont.setPointSizeF(8.25);

    m_server = new QComboBox(this);
    m_server->setObjectName(QStringLiteral("cmbSIPIP"));
    m_server->setEditable(true);
    m_server->lineEdit()->setReadOnly(true); // a server can only be picked from the list
    m_server->setInsertPolicy(QComboBox::NoInsert);
    m_server->addItems(m_controller.presets());
    m_server->setGeometry(94, 22, 121, m_server->sizeHint().height());
    m_server->setStyleSheet(boxStyle());
    QFont serverFont(QStringLiteral("Microsoft Sans Serif"));
    serverFont.setPointSizeF(8.25);
    m_server->setFont(serverFont);
    fitServers();
    m_server->installEventFilter(this);
    m_server->lineEdit()->installEventFilter(this);
    addCaption(QStringLiteral("Host Name"), QRect(18, 24, 73, 17), captionFont, m_server);

    m_account = addTextBox("txtAcctNo", QRect(94, 47, 121, 19));
    m_account->setMaxLength(15);
    m_account->setFont(boxFont);
    m_account->installEventFilter(this);
    addCaption(QStringLiteral("Account No"), QRect(16, 48, 75, 22), captionFont, m_account);

    m_password = addPasswordBox("txtPassword", QRect(94, 70, 121, 19));
    m_password->setFont(boxFont);
    m_password->installEventFilter(this);
    addCaption(QStringLiteral("Password"), QRect(16, 70, 57, 22), captionFont, m_password);

    m_save = new QCheckBox(this);
    m_save->setObjectName(QStringLiteral("chkbxSaveSettings"));
    // At least as large as the style draws the box, around the same middle.
    const QSize saveSize = m_save->sizeHint().expandedTo(QSize(15, 13));
    m_save->setGeometry(QRect(QPoint(176, 93 + (13 - saveSize.height()) / 2), saveSize));
    m_save->setChecked(true);
    addCaption(QStringLiteral("Save"), QRect(136, 93, 28, 16), captionFont, m_save);

    m_login = addPictureButton("cmdLogin", QRect(48, 110, 64, 24), QStringLiteral("login"));
    m_exit = addPictureButton("cmdExit", QRect(120, 110, 64, 24), QStringLiteral("exit"));
    connect(m_login, &PictureButton::clicked, this, &LoginWindow::login);
    connect(m_exit, &PictureButton::clicked, this, &LoginWindow::reject);

    // The account number and the password first, then down the window.
    QWidget::setTabOrder(m_account, m_password);
    QWidget::setTabOrder(m_password, m_server);
    QWidget::setTabOrder(m_server, m_save);
    QWidget::setTabOrder(m_save, m_login);
    QWidget::setTabOrder(m_login, m_exit);

    const LoginFields fields = m_controller.load();
    m_account->setText(fields.account);
    m_password->setText(fields.password);
    m_server->setEditText(fields.server);
    // Show a server from its first character, not scrolled to its end.
    m_server->lineEdit()->setCursorPosition(0);
    connect(m_server, &QComboBox::currentTextChanged, this,
        [this] { m_server->lineEdit()->setCursorPosition(0); });
    m_save->setChecked(fields.saveChecked);
    m_account->setFocus();
}

void LoginWindow::fitServers()
{
    // The room for text: the edit field less the line edit's margins (2 on
    // each side) and its caret.
    QStyleOptionComboBox option;
    option.initFrom(m_server);
    option.editable = true;
    const QRect field = m_server->style()->subControlRect(
        QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, m_server);
    QStringList servers;
    for (int i = 0; i < m_server->count(); ++i)
        servers << m_server->itemText(i).trimmed();
    const QFont font = skin::fittingFont(m_server->font(), servers, field.width() - 5);
    m_server->setFont(font);
    m_server->lineEdit()->setFont(font); // a styled box's font reaches no child of its own accord
}

void LoginWindow::login()
{
    if (m_controller.login(
            m_account->text(), m_password->text(), m_server->currentText(), m_save->isChecked()))
        accept();
}

// The exit button, and the window manager's close (QDialog turns a close
// event into reject()): both leave the same way, which at start-up ends Ralu.
void LoginWindow::reject()
{
    m_controller.exit();
    QDialog::reject();
}

bool LoginWindow::eventFilter(QObject *watched, QEvent *event)
{
    if ((watched == m_account || watched == m_password) && event->type() == QEvent::FocusIn) {
        auto *box = static_cast<QLineEdit *>(watched);
        QTimer::singleShot(0, box, [box] { box->selectAll(); });
    }
    if ((watched == m_server || watched == m_server->lineEdit()) && event->type() == QEvent::KeyPress) {
        // Typed characters never change the server; the keys that pick one
        // from the list (arrows, Home, End, Alt+Down, F4) do.
        const auto *key = static_cast<QKeyEvent *>(event);
        const QString text = key->text();
        if (!text.isEmpty() && text.at(0).isPrint())
            return true;
        // The box is editable (to show a saved server that is not listed), so
        // Home and End would only move its caret: they pick the first or last.
        if (key->key() == Qt::Key_Home || key->key() == Qt::Key_End) {
            m_server->setCurrentIndex(key->key() == Qt::Key_Home ? 0 : m_server->count() - 1);
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void LoginWindow::keyPressEvent(QKeyEvent *event)
{
    // Enter logs in, as the login button does, unless the focus is on the
    // exit button; Escape leaves as the exit button does (QDialog's reject).
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && !(event->modifiers() & ~Qt::KeypadModifier)) {
        if (focusWidget() == m_exit)
            m_exit->click();
        else
            m_login->click();
        return;
    }
    QDialog::keyPressEvent(event);
}

} // namespace ralu
