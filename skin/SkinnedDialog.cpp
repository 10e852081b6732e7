#include "skin/SkinnedDialog.h"

#include "skin/SkinOutline.h"
#include "skin/WindowDrag.h"

#include <QLabel>
#include <QLineEdit>

namespace ralu::skin {

SkinnedDialog::SkinnedDialog(const char *objectName, const QString &title, Background skin, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint)
{
    setObjectName(QString::fromLatin1(objectName));
    setWindowTitle(title);
    new WindowDrag(this); // dragged by its body
    applySkin(this, skin);
}

QLabel *SkinnedDialog::addCaption(const QString &text, QRect geometry, const QFont &font)
{
    auto *label = new QLabel(text, this);
    label->setFont(font);
    label->setStyleSheet(QStringLiteral("color: #e6ecf5"));
    label->setGeometry(geometry);
    label->setAttribute(Qt::WA_TransparentForMouseEvents);
    return label;
}

QString SkinnedDialog::boxStyle()
{
    return QStringLiteral("background: rgb(224,224,224); color: black;");
}

QLineEdit *SkinnedDialog::addTextBox(const char *name, QRect geometry)
{
    auto *box = new QLineEdit(this);
    box->setObjectName(QString::fromLatin1(name));
    box->setGeometry(geometry);
    box->setStyleSheet(boxStyle());
    return box;
}

PictureButton *SkinnedDialog::addPictureButton(const char *name, QRect geometry, const QString &face)
{
    return makeButton(this, name, geometry, face);
}

PictureButton *SkinnedDialog::addCloseImage(const char *name, QRect geometry)
{
    PictureButton *button = makeButton(this, name, geometry, QStringLiteral("close"));
    connect(button, &PictureButton::clicked, this, &QDialog::close);
    return button;
}

} // namespace ralu::skin
