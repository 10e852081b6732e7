// The application's icon (a telephone handset), the same pictures the
// desktop's icon theme gets installed: the windows and the tray show it.
#pragma once

#include <QIcon>

namespace ralu::skin {

// Every size drawn for the icon theme (16 to 256 pixels), embedded.
QIcon appIcon();

} // namespace ralu::skin
