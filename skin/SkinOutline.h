// Skinned windows: a background picture that gives the window its size and
// its outline. The outline is the picture less every pixel of its
// transparent colour, read from the picture's bottom-left pixel.
#pragma once

#include "skin/SkinPictures.h"

class QLabel;
class QWidget;

namespace ralu::skin {

// What the window system makes of a window's outline (its mask): it cuts
// the window to it (X11), or takes it for the input alone (Wayland), where
// the window is then translucent and the pixels outside the outline, which
// the backgrounds draw with no opacity, let the desktop through.
enum class MaskEffect { CutsWindow, InputOnly };
MaskEffect platformMaskEffect();

// Cuts the window's outline from the picture's pixels (a 1x picture: one
// pixel per window pixel). Before the window is first shown.
void cutOutline(QWidget *window, const QImage &picture, MaskEffect effect = platformMaskEffect());

// Makes the background the window's picture (a label named "Picture1" that
// lets the mouse through to the window, its grab area), sizes the window to
// it and cuts the outline from its 1x pixels. Returns the background label.
QLabel *applySkin(QWidget *window, Background background, MaskEffect effect = platformMaskEffect());

} // namespace ralu::skin
