// The rounded outline a window has at start-up, before its picture outline
// replaces it: a rectangle from (10, 10) to the window's width and its height
// less 45, with corners cut along ellipses 150 pixels wide and 100 high.
#pragma once

#include <QRegion>
#include <QSize>

class QWidget;

namespace ralu::skin {

// The main window's size while the rounded outline is given (4450 by 6540
// in the twips of a standard screen, 15 to the pixel).
inline constexpr QSize kStartShapeSize(297, 436);

// The rounded outline of a window of the given size in pixels.
QRegion roundedOutline(QSize window);

// Gives the window the rounded outline of its current size.
void shapeForm(QWidget *window);

} // namespace ralu::skin
