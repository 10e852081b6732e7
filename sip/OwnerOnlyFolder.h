// The SIP stack's own folder: made when missing, owner-only, and when that
// fails, which folder stood in the way and why, for the user.
#pragma once

#include <QString>

namespace ralu {

// On failure *why says "the folder X is not writable", or "the folder X
// cannot be made (reason)".
bool makeOwnerOnlyFolder(const QString &path, QString *why = nullptr);

} // namespace ralu
