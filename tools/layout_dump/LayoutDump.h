// The layout dump: the position and size of each control of a window as text
// blocks in the form the windows' load code places them (left, top, height,
// width), for pasting into that code.
#pragma once

#include <QLocale>
#include <QString>

class QObject;
class QWidget;

namespace ralu::layoutdump {

// A value in its shortest ordinary decimal form, with the locale's decimal
// separator and no group separator: 16, 304.5 (304,5 with a comma).
QString number(float value, const QLocale &locale);

// One control's block of six lines, each ended by CR LF.
QString block(const QString &name, float left, float top, float height, float width, const QLocale &locale);

// Whether a child of the window is a control the dump lists: picture boxes,
// labels, images, text boxes, combo boxes, list boxes, check boxes, buttons
// and frames. Timers, menus, lines and other objects are not.
bool isListed(const QObject *child);

// The blocks of the window's direct children in their order, leaving out
// the dump's own button cmdPelk and text box txtPelk.
QString dump(const QWidget *window, const QLocale &locale);

} // namespace ralu::layoutdump
