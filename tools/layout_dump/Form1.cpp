#include "Form1.h"

#include "LayoutDump.h"
#include "skin/PictureButton.h"
#include "skin/SkinPictures.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextCursor>

namespace ralu {

Form1::Form1(const QLocale &locale, QWidget *parent)
    : QWidget(parent)
    , m_locale(locale)
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Form1"));
    resize(560, 320);
    // The login window's controls, where it places them. Every position here
    // is in pixels already: no control needs its coordinate unit set.
    auto label = [this](const char *name, const char *caption, QRect geometry) {
        auto *l = new QLabel(QString::fromLatin1(caption), this);
        l->setObjectName(QString::fromLatin1(name));
        l->setGeometry(geometry);
    };
    label("Label1", "Host Name", QRect(18, 24, 73, 17));
    auto *server = new QComboBox(this);
    server->setObjectName(QStringLiteral("cmbSIPIP"));
    server->setGeometry(94, 22, 121, server->sizeHint().height());
    label("Label2", "Account No", QRect(16, 48, 75, 22));
    auto *account = new QLineEdit(this);
    account->setObjectName(QStringLiteral("txtAcctNo"));
    account->setGeometry(94, 47, 121, 19);
    label("Label3", "Password", QRect(16, 70, 57, 22));
    auto *password = new QLineEdit(this);
    password->setObjectName(QStringLiteral("txtPassword"));
    password->setEchoMode(QLineEdit::Password);
    password->setGeometry(94, 70, 121, 19);
    label("Label4", "Save", QRect(136, 93, 28, 16));
    auto *save = new QCheckBox(this);
    save->setObjectName(QStringLiteral("chkbxSaveSettings"));
    save->setGeometry(176, 93, 15, 13);
    save->setChecked(true);
    skin::makeButton(this, "cmdLogin", QRect(48, 110, 64, 24), QStringLiteral("login"));
    skin::makeButton(this, "cmdExit", QRect(120, 110, 64, 24), QStringLiteral("exit"));

    m_button = new QPushButton(QStringLiteral("Command1"), this);
    m_button->setObjectName(QStringLiteral("cmdPelk"));
    m_button->setGeometry(16, 150, 97, 25);
    m_box = new QPlainTextEdit(this);
    m_box->setObjectName(QStringLiteral("txtPelk"));
    m_box->setGeometry(240, 8, 312, 304);
    m_box->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_box->setTabStopDistance(4 * m_box->fontMetrics().horizontalAdvance(QLatin1Char(' '))); // as in code
    connect(m_button, &QPushButton::clicked, this, &Form1::appendDump);
}

QString Form1::text() const
{
    return m_box->toPlainText().replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
}

void Form1::appendDump()
{
    // The box holds lines; a CR LF of the dump is one line end there.
    QString lines = layoutdump::dump(this, m_locale);
    lines.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    QTextCursor end(m_box->document());
    end.movePosition(QTextCursor::End);
    end.insertText(lines);
}

} // namespace ralu
