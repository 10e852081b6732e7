// What assistive technology (a screen reader, through AT-SPI) is told of the
// skinned windows: a picture button is a push button with a press action, or
// a slider when it stands for a level; a picture that only decorates, and a
// control that lies outside its window's outline, are reported invisible.
#pragma once

class QWidget;

namespace ralu::skin {

// Installs the interfaces (once per program; every PictureButton asks).
void installAccessibility();

// Reported invisible from now on: a decoration, or a control outside the
// window's outline that no one can see or click.
void hideFromAssistiveTechnology(QWidget *widget);
bool hiddenFromAssistiveTechnology(const QWidget *widget);

} // namespace ralu::skin
