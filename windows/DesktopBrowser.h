// The desktop's default browser.
#pragma once

#include <QString>

namespace ralu {

// Opens the address in the default browser; the result is not examined.
void openInBrowser(const QString &address);

} // namespace ralu
