// A caller's number as Ralu shows it in the status line and keeps it in the
// call history: the user part of the caller's address, held to what a SIP
// user part can carry as it is, so that no caller can reorder, hide or
// split the text around it.
//
// Kept: ASCII letters and digits (telephone numbers and ordinary user names
// such as "1002" or "alice"), "+", "*" and "#" (dial keys), and the other
// characters RFC 3261 lets a user part carry unescaped: "-_.!~'()" and
// "&=$,;?/" (visual separators and the parameters of a telephone number,
// as in "+1-212-555-0100;phone-context=..."). Anything else, blanks, control
// and format characters, and every non-ASCII letter or digit (they would
// arrive escaped and could imitate ours), is shown as U+FFFD, one per
// character. At most kMaxChars characters are kept; a longer number ends
// in "…".
#pragma once

#include <QString>

namespace ralu {

class CallerNumber {
public:
    // An international number is 15 digits at most; this leaves room for a
    // prefix, separators and a phone context, and no more.
    static constexpr qsizetype kMaxChars = 64;

    // The caller's number from the caller's address (sip:201@host gives 201).
    static QString fromAddress(const QString &address);

    // User part of a SIP address: split at ":" and take the second piece,
    // then at "@" and take the first. An address without ":" stays whole.
    static QString userPart(const QString &address);

    // Whether a character is kept as it is.
    static bool kept(char32_t c);
};

} // namespace ralu
