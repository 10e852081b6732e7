// Replacing the whole content of one of the user's text files without ever
// leaving a half-written file behind.
#pragma once

#include <QString>
#include <QStringList>

namespace ralu {

// Writes the lines, each followed by CR LF, as UTF-8, into a new file in the
// same folder and puts it in the old file's place only once it is complete
// and on disk. On failure (no room, no permission, the process dying half
// way) the old file stays exactly as it was; false then, with the reason in
// *error when given.
bool rewriteTextFile(const QString &path, const QStringList &lines, QString *error = nullptr);

} // namespace ralu
