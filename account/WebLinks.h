// The addresses of the provider's web pages that Ralu hands to the browser:
// the portal pages behind the main window's portal buttons and the billed
// call history page of the logged-in account.
#pragma once

#include "engine/AppState.h"

#include <QString>
#include <functional>

namespace ralu {

// Hands an address to the desktop's browser; injected, so tests see the
// addresses without starting one.
using OpenAddress = std::function<void(const QString &address)>;

namespace weblinks {

// The address with "http://" in front when it names no scheme of its own.
QString withScheme(const QString &address);
// The portal base address followed directly by the page's path.
QString portalAddress(const QString &portalBase, const QString &path);
// The account site's billed call history page for the login values: the
// account number, password and user name trimmed and percent-encoded, so a
// value holding '&', '#' or '=' stays one value.
QString billedHistoryAddress(const QString &accountSite, const LoginValues &login);

} // namespace weblinks
} // namespace ralu
