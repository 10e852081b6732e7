// Which dial pad key a keystroke in the number box shows pressed or released.
// Keys count by their place on the keyboard, not by the character they type:
// the top row's 1 to 0 and the numeric pad's digits and star, and with Shift
// held the 3 stands for # and the 8 for *, whatever the layout prints there
// (a UK Shift+3 types a pound sign, a German one a section sign).
#pragma once

#include <QtGlobal>

#include <optional>

class QKeyEvent;

namespace ralu {

// What the platform's native scan codes are.
enum class ScanCodes {
    Unknown, // no place to go by: the key code decides
    Xkb, // XKB key codes (X11 and Wayland): the top row's 1 to 0 are 10 to 19
};

struct PadKeyStroke {
    int key = 0; // Qt::Key
    bool keypad = false; // from the numeric pad
    quint32 scanCode = 0; // 0: not known
    static PadKeyStroke of(const QKeyEvent &event);
};

// '0' to '9', '*' or '#'; nullopt for keys that change no picture.
std::optional<char> padKeyOf(const PadKeyStroke &stroke, bool shiftHeld, ScanCodes codes);
// The scan codes of the running platform.
ScanCodes platformScanCodes();

} // namespace ralu
