// The main window's place among the desktop's windows: on top of all that
// are not topmost after a portal page opens, and back among the others
// before a child window opens, so that the child can come in front of it.
#pragma once

class QWidget;

namespace ralu::windowlayer {

// Topmost, shown, not activated; position and size kept.
void placeOnTop(QWidget *window);
// Out of the topmost band; a hidden window stays hidden.
void leaveTopBand(QWidget *window);
bool isOnTop(const QWidget *window);

} // namespace ralu::windowlayer
