// Skinned windows: a background picture that gives the window its size and
// its outline. The outline is the picture less every pixel of its
// transparent colour, read from the picture's bottom-left pixel.
#pragma once

#include "skin/SkinPictures.h"

class QLabel;
class QWidget;

namespace ralu::skin {

// Cuts the window's outline from the picture's pixels (a 1x picture: one
// pixel per window pixel).
void cutOutline(QWidget *window, const QImage &picture);

// Makes the background the window's picture (a label named "Picture1" that
// lets the mouse through to the window, its grab area), sizes the window to
// it and cuts the outline from its 1x pixels. Returns the background label.
QLabel *applySkin(QWidget *window, Background background);

} // namespace ralu::skin
