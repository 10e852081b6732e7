// Text from the network made safe to show and to store: bounded, and every
// character that could hide, reorder or split what is around it shown as
// the replacement character U+FFFD, so the user sees that something was
// there. The balance label and the caller's number both go through it.
#pragma once

#include <QString>

namespace ralu {

// At most maxChars characters (a longer text is cut and ends in "…"); each
// character that keep refuses becomes U+FFFD. Counts characters, not UTF-16
// units: a character outside the BMP is kept or replaced whole.
QString visibleText(const QString &text, qsizetype maxChars, bool (*keep)(char32_t));

// Printable text: everything but control characters (blanks, tabs and line
// ends excepted), format characters such as the right-to-left override,
// lone surrogates, private use and unassigned code points.
bool isPrintable(char32_t c);

} // namespace ralu
