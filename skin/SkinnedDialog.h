// A borderless child window cut to its skin picture and dragged by its body,
// with the controls every skinned dialog draws the same way: light captions
// on the skin (each tied to its field for assistive technology), grey text
// boxes, picture buttons, and the close picture at the top that closes the
// window.
#pragma once

#include "skin/PictureButton.h"
#include "skin/SkinPictures.h"

#include <QDialog>
#include <QFont>

class QLabel;
class QLineEdit;

namespace ralu::skin {

class SkinnedDialog : public QDialog {
    Q_OBJECT
public:
    SkinnedDialog(const char *objectName, const QString &title, Background skin, QWidget *parent);

protected:
    // A caption drawn on the skin; mouse events go through to the window,
    // so it stays a grab area. With a field, the caption names it.
    QLabel *addCaption(const QString &text, QRect geometry, const QFont &font, QWidget *field = nullptr);
    // Text boxes share the grey box look of the skins.
    QLineEdit *addTextBox(const char *name, QRect geometry);
    // A text box showing "*" for every character typed.
    QLineEdit *addPasswordBox(const char *name, QRect geometry);
    // A button showing the face's pictures (SkinPictures.h), lit while hovered.
    PictureButton *addPictureButton(const char *name, QRect geometry, const QString &face);
    // The small close picture at the top edge; clicking it closes the window.
    PictureButton *addCloseImage(const char *name, QRect geometry);

    static QString boxStyle();
};

} // namespace ralu::skin
