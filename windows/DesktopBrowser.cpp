#include "windows/DesktopBrowser.h"

#include <QDesktopServices>
#include <QUrl>

namespace ralu {

void openInBrowser(const QString &address)
{
    // The address is already percent-encoded where it needs to be: taken as
    // it is, not re-encoded.
    QDesktopServices::openUrl(QUrl(address));
}

} // namespace ralu
