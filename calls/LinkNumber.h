// The telephone number in what the desktop or a user hands Ralu to call: a
// tel:, sip:, sips: or callto: link, or a bare number. Only what the number
// box dials comes out: digits and '*', the country code without its '+'.
#pragma once

#include <QString>
#include <optional>

namespace ralu {

// At most this many characters of a number are taken.
inline constexpr int kMaxLinkNumber = 64;

// The number, or none when the text holds no number Ralu can dial (a SIP
// name such as sip:alice@host, a '#', letters, an overlong number).
std::optional<QString> numberFromLink(const QString &text);

} // namespace ralu
