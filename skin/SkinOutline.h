// Skinned windows: a background picture that gives the window its size and
// its outline. The outline is the picture less every pixel of its
// transparent colour, read from the picture's bottom-left pixel.
#pragma once

#include <QPixmap>

class QLabel;
class QWidget;

namespace ralu::skin {

// Cuts the window's outline from the picture.
void cutOutline(QWidget *window, const QPixmap &picture);

// Makes the picture the window's background (a label named "Picture1" that
// lets the mouse through to the window, its grab area), sizes the window to
// it and cuts the outline. Returns the background label.
QLabel *applySkin(QWidget *window, const QPixmap &picture);

} // namespace ralu::skin
