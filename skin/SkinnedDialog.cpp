#include "skin/SkinnedDialog.h"

#include "skin/TextFit.h"

#include "skin/SkinOutline.h"
#include "skin/WindowDrag.h"

#include <QLabel>
#include <QLineEdit>
#include <QProxyStyle>

namespace ralu::skin {

namespace {

// Masks a password with "*". Set as a style of the box's own: a style
// sheet's password character is lost once the box's sheet has been set twice.
class StarPasswordStyle : public QProxyStyle {
public:
    int styleHint(StyleHint hint, const QStyleOption *option, const QWidget *widget,
        QStyleHintReturn *returned) const override
    {
        if (hint == SH_LineEdit_PasswordCharacter)
            return '*';
        return QProxyStyle::styleHint(hint, option, widget, returned);
    }
};

} // namespace

SkinnedDialog::SkinnedDialog(const char *objectName, const QString &title, Background skin, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint)
{
    setObjectName(QString::fromLatin1(objectName));
    setWindowTitle(title);
    new WindowDrag(this); // dragged by its body
    applySkin(this, skin);
}

QLabel *SkinnedDialog::addCaption(const QString &text, QRect geometry, const QFont &font, QWidget *field)
{
    auto *label = new QLabel(text, this);
    // The layout's room, whatever font stands in for the one it was made for.
    label->setFont(skin::fittingFont(font, { text }, geometry.width(), 6.5, geometry.height()));
    label->setStyleSheet(QStringLiteral("color: #e6ecf5"));
    label->setGeometry(geometry);
    label->setAttribute(Qt::WA_TransparentForMouseEvents);
    if (field) {
        label->setBuddy(field); // the field's "labelled by"
        field->setAccessibleName(text); // a check box or a combo box takes no name from its buddy
    }
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

QLineEdit *SkinnedDialog::addPasswordBox(const char *name, QRect geometry)
{
    QLineEdit *box = addTextBox(name, geometry);
    auto *style = new StarPasswordStyle;
    style->setParent(box);
    box->setStyle(style);
    box->setEchoMode(QLineEdit::Password);
    return box;
}

PictureButton *SkinnedDialog::addPictureButton(const char *name, QRect geometry, const QString &face)
{
    return makeButton(this, name, geometry, face);
}

PictureButton *SkinnedDialog::addCloseImage(const char *name, QRect geometry)
{
    PictureButton *button = makeButton(this, name, geometry, QStringLiteral("close"));
    button->setAccessibleName(QStringLiteral("Close"));
    connect(button, &PictureButton::clicked, this, &QDialog::close);
    return button;
}

} // namespace ralu::skin
