#include "windows/PadKeys.h"

#include <QGuiApplication>
#include <QKeyEvent>

namespace ralu {

namespace {

constexpr quint32 kXkbTopRow1 = 10; // 1 .. 9 then 0 follow it

std::optional<char> digitOf(int key)
{
    if (key >= Qt::Key_0 && key <= Qt::Key_9)
        return static_cast<char>('0' + (key - Qt::Key_0));
    return std::nullopt;
}

// Shift turns the 3 into the # key and the 8 into the * key.
char shifted(char digit, bool shiftHeld)
{
    if (!shiftHeld)
        return digit;
    return digit == '3' ? '#' : digit == '8' ? '*' : digit;
}

} // namespace

PadKeyStroke PadKeyStroke::of(const QKeyEvent &event)
{
    return { event.key(), (event.modifiers() & Qt::KeypadModifier) != 0, event.nativeScanCode() };
}

std::optional<char> padKeyOf(const PadKeyStroke &stroke, bool shiftHeld, ScanCodes codes)
{
    if (stroke.keypad) {
        // The pad's own keys print the same on every layout; with Num Lock
        // off they are cursor keys and press nothing.
        if (stroke.key == Qt::Key_Asterisk)
            return '*';
        if (const auto digit = digitOf(stroke.key))
            return shifted(*digit, shiftHeld);
        return std::nullopt;
    }
    if (codes == ScanCodes::Xkb && stroke.scanCode != 0) {
        if (stroke.scanCode < kXkbTopRow1 || stroke.scanCode >= kXkbTopRow1 + 10)
            return std::nullopt;
        const char digit = static_cast<char>('0' + (stroke.scanCode - kXkbTopRow1 + 1) % 10);
        return shifted(digit, shiftHeld);
    }
    // No place known: the key code, where layouts that print # and * on
    // Shift+3 and Shift+8 report those symbols.
    if (const auto digit = digitOf(stroke.key))
        return shifted(*digit, shiftHeld);
    if (shiftHeld && stroke.key == Qt::Key_Asterisk)
        return '*';
    if (shiftHeld && stroke.key == Qt::Key_NumberSign)
        return '#';
    return std::nullopt;
}

ScanCodes platformScanCodes()
{
    const QString name = QGuiApplication::platformName();
    if (name == QLatin1String("xcb") || name.startsWith(QLatin1String("wayland")))
        return ScanCodes::Xkb;
    return ScanCodes::Unknown;
}

} // namespace ralu
