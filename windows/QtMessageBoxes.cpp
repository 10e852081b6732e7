#include "windows/QtMessageBoxes.h"

#include <QApplication>
#include <QLoggingCategory>
#include <QMessageBox>

Q_LOGGING_CATEGORY(lcUi, "ralu.ui")

namespace ralu {

void QtMessageBoxes::show(const QString &text, Icon icon)
{
    show(text, icon, QString::fromLatin1(kProgramTitle));
}

void QtMessageBoxes::show(const QString &text, Icon icon, const QString &title)
{
    QMessageBox::Icon qtIcon = QMessageBox::NoIcon;
    switch (icon) {
    case Icon::None:
        qtIcon = QMessageBox::NoIcon;
        break;
    case Icon::Information:
        qtIcon = QMessageBox::Information;
        break;
    case Icon::Exclamation:
        qtIcon = QMessageBox::Warning;
        break;
    case Icon::Error:
        qtIcon = QMessageBox::Critical;
        break;
    }
    // What the user was told is what support asks first.
    qCWarning(lcUi).noquote() << "message box:" << text;
    QMessageBox box(qtIcon, title, text, QMessageBox::Ok, parentWindow());
    box.exec();
}

QWidget *QtMessageBoxes::parentWindow() const
{
    if (QWidget *active = QApplication::activeWindow())
        return active;
    if (QWidget *modal = QApplication::activeModalWidget())
        return modal;
    QWidget *owner = m_owner ? m_owner() : nullptr;
    return owner && owner->isVisible() ? owner : nullptr;
}

} // namespace ralu
