// Which pad key a keystroke shows: by the key's place on the keyboard where
// the platform tells it, by the key code where it does not.
#include "windows/PadKeys.h"

#include <QGuiApplication>
#include <gtest/gtest.h>

using namespace ralu;

namespace {

struct Case {
    const char *what;
    PadKeyStroke stroke;
    bool shift;
    ScanCodes codes;
    std::optional<char> expected;
};

constexpr auto X = ScanCodes::Xkb;
constexpr auto U = ScanCodes::Unknown;

} // namespace

TEST(PadKeys, KeysCountByTheirPlaceWhereThePlatformTellsIt)
{
    const Case cases[] = {
        { "US 3", { Qt::Key_3, false, 12 }, false, X, '3' },
        { "US Shift+3", { Qt::Key_NumberSign, false, 12 }, true, X, '#' },
        { "UK Shift+3 types a pound sign", { Qt::Key_sterling, false, 12 }, true, X, '#' },
        { "German Shift+3 types a section sign", { Qt::Key_section, false, 12 }, true, X, '#' },
        { "US Shift+8", { Qt::Key_Asterisk, false, 17 }, true, X, '*' },
        { "German Shift+8 types a parenthesis", { Qt::Key_ParenLeft, false, 17 }, true, X, '*' },
        { "UK Shift+8", { Qt::Key_Asterisk, false, 17 }, true, X, '*' },
        { "French 1 place types an ampersand", { Qt::Key_Ampersand, false, 10 }, false, X, '1' },
        { "top row 0", { Qt::Key_0, false, 19 }, false, X, '0' },
        { "Shift+9 stays 9", { Qt::Key_ParenLeft, false, 18 }, true, X, '9' },
        { "German * key (Shift of +) is not the 8", { Qt::Key_Asterisk, false, 35 }, true, X, std::nullopt },
        { "UK # key beside Enter is not the 3", { Qt::Key_NumberSign, false, 51 }, false, X, std::nullopt },
        { "minus beside the 0", { Qt::Key_Minus, false, 20 }, false, X, std::nullopt },
        { "keypad 3", { Qt::Key_3, true, 89 }, false, X, '3' },
        { "keypad 3 with Shift", { Qt::Key_3, true, 89 }, true, X, '#' },
        { "keypad star", { Qt::Key_Asterisk, true, 63 }, false, X, '*' },
        { "keypad 1 with Num Lock off", { Qt::Key_End, true, 87 }, false, X, std::nullopt },
        { "no scan code: the key code", { Qt::Key_8, false, 0 }, true, X, '*' },
    };
    for (const Case &c : cases)
        EXPECT_EQ(padKeyOf(c.stroke, c.shift, c.codes), c.expected) << c.what;
}

TEST(PadKeys, WithoutPlacesTheKeyCodeDecides)
{
    const Case cases[] = {
        { "7", { Qt::Key_7, false, 16 }, false, U, '7' },
        { "Shift+3", { Qt::Key_3, false, 0 }, true, U, '#' },
        { "Shift+8", { Qt::Key_8, false, 0 }, true, U, '*' },
        { "# reported for Shift+3", { Qt::Key_NumberSign, false, 0 }, true, U, '#' },
        { "* reported for Shift+8", { Qt::Key_Asterisk, false, 0 }, true, U, '*' },
        { "# without Shift", { Qt::Key_NumberSign, false, 0 }, false, U, std::nullopt },
        { "* without Shift", { Qt::Key_Asterisk, false, 0 }, false, U, std::nullopt },
        { "keypad star", { Qt::Key_Asterisk, true, 0 }, false, U, '*' },
        { "a letter", { Qt::Key_A, false, 38 }, false, U, std::nullopt },
    };
    for (const Case &c : cases)
        EXPECT_EQ(padKeyOf(c.stroke, c.shift, c.codes), c.expected) << c.what;
}

TEST(PadKeys, PlatformsWithXkbKeyCodes)
{
    // The unit tests run on the offscreen platform, which reports no places.
    ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("offscreen"));
    EXPECT_EQ(platformScanCodes(), ScanCodes::Unknown);
}
