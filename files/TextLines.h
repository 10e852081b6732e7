// Reading the user's text files (call history, phone book) as lines.
#pragma once

#include <QString>
#include <QStringList>

namespace ralu {

// All lines of a text file, in order, without their line ends. CR LF and LF
// alone both end a line; bytes that are not valid UTF-8 become U+FFFD rather
// than dropping the line. Missing file: empty list.
QStringList readTextLines(const QString &path);

} // namespace ralu
