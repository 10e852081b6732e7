// Replacing the whole content of one of the user's files without ever
// leaving a half-written file behind.
#pragma once

#include <QByteArray>
#include <QString>

namespace ralu {

// Writes the bytes into a new file in the same folder and puts it in the old
// file's place only once it is complete and on disk. On failure (no room, no
// permission, the process dying half way) the old file stays exactly as it
// was; false then, with the reason in *error when given.
bool rewriteFile(const QString &path, const QByteArray &bytes, QString *error = nullptr);

} // namespace ralu
