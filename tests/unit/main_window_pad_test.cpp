// The dial pad of the real main window: clicks (tone, character, focus) and
// the pictures the number box's keys show on the pad, Shift rule included.
#include "FakeMessageBoxes.h"
#include "FakeRtcClient.h"
#include "qt_printers.h"
#include "windows/MainWindow.h"

#include <QLineEdit>
#include <QTest>
#include <gtest/gtest.h>

using namespace ralu;
using namespace ralu::testing;

namespace {

const char *const kPad[] = { "Picture20", "Picture21", "Picture22", "Picture25", "Picture26", "Picture27",
    "Picture46", "Picture31", "Picture32", "Picture35", "Picture36", "Picture37" };

struct PadFixture : ::testing::Test {
    AppState state;
    FakeRtcClient rtc;
    FakeMessageBoxes boxes;
    CallEngine engine { state, &rtc };
    MainWindow window { engine, state };
    QStringList tones;

    void SetUp() override
    {
        window.setCallActions({ nullptr, nullptr, nullptr, [this](const QString &t) { tones << t; } });
        for (const char *name : kPad) {
            PictureButton *b = button(name);
            ASSERT_NE(b, nullptr) << name;
            ASSERT_NE(b->pressedPicture().toImage(), b->releasedPicture().toImage()) << name;
        }
    }

    PictureButton *button(const char *name) const
    {
        return window.findChild<PictureButton *>(QString::fromLatin1(name));
    }
    QLineEdit *box() const { return window.numberBox(); }

    // The pad buttons showing their pressed picture.
    QStringList pressed() const
    {
        QStringList out;
        for (const char *name : kPad) {
            const PictureButton *b = button(name);
            const QImage shown = b->pixmap().toImage();
            if (shown == b->pressedPicture().toImage())
                out << QString::fromLatin1(name);
            else
                EXPECT_EQ(shown, b->releasedPicture().toImage()) << name << " shows neither picture";
        }
        return out;
    }

    void down(Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier) { QTest::keyPress(box(), key, mods); }
    void up(Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier) { QTest::keyRelease(box(), key, mods); }
};

} // namespace

TEST_F(PadFixture, TopRowAndKeypadDigitsPressAndReleaseTheirKey)
{
    const std::pair<Qt::Key, const char *> digits[] = {
        { Qt::Key_1, "Picture20" },
        { Qt::Key_2, "Picture21" },
        { Qt::Key_3, "Picture22" },
        { Qt::Key_4, "Picture25" },
        { Qt::Key_5, "Picture26" },
        { Qt::Key_6, "Picture27" },
        { Qt::Key_7, "Picture46" },
        { Qt::Key_8, "Picture31" },
        { Qt::Key_9, "Picture32" },
        { Qt::Key_0, "Picture36" },
    };
    ASSERT_TRUE(pressed().isEmpty());
    for (Qt::KeyboardModifiers mods :
        { Qt::KeyboardModifiers(Qt::NoModifier), Qt::KeyboardModifiers(Qt::KeypadModifier) }) {
        for (const auto &[key, name] : digits) {
            SCOPED_TRACE(name);
            down(key, mods);
            EXPECT_EQ(pressed(), QStringList { QString::fromLatin1(name) });
            up(key, mods);
            EXPECT_TRUE(pressed().isEmpty());
        }
    }
    EXPECT_EQ(box()->text(), QStringLiteral("12345678901234567890"));
}

TEST_F(PadFixture, KeypadStarPressesTheStarKey)
{
    down(Qt::Key_Asterisk, Qt::KeypadModifier);
    EXPECT_EQ(pressed(), QStringList { "Picture35" });
    up(Qt::Key_Asterisk, Qt::KeypadModifier);
    EXPECT_TRUE(pressed().isEmpty());
    EXPECT_EQ(box()->text(), QStringLiteral("*"));
    EXPECT_EQ(tones, QStringList { "Tonestar.wav" });
}

TEST_F(PadFixture, ShiftThreeIsTheHashKeyUntilShiftGoesUp)
{
    down(Qt::Key_Shift);
    down(Qt::Key_3, Qt::ShiftModifier);
    EXPECT_EQ(pressed(), QStringList { "Picture37" });
    up(Qt::Key_3, Qt::ShiftModifier);
    EXPECT_TRUE(pressed().isEmpty());
    up(Qt::Key_Shift);

    down(Qt::Key_3);
    EXPECT_EQ(pressed(), QStringList { "Picture22" }) << "Shift is no longer held";
    up(Qt::Key_3);
    EXPECT_TRUE(pressed().isEmpty());
}

TEST_F(PadFixture, ShiftEightIsTheStarKey)
{
    down(Qt::Key_Shift);
    down(Qt::Key_8, Qt::ShiftModifier);
    EXPECT_EQ(pressed(), QStringList { "Picture35" });
    up(Qt::Key_8, Qt::ShiftModifier);
    EXPECT_TRUE(pressed().isEmpty());
    up(Qt::Key_Shift);
    down(Qt::Key_8);
    EXPECT_EQ(pressed(), QStringList { "Picture31" });
    up(Qt::Key_8);
}

TEST_F(PadFixture, ShiftedSymbolsOfTheLayoutCountAsShiftThreeAndEight)
{
    // On most layouts the system reports Shift+3 as '#' and Shift+8 as '*'.
    down(Qt::Key_Shift);
    down(Qt::Key_NumberSign, Qt::ShiftModifier);
    EXPECT_EQ(pressed(), QStringList { "Picture37" });
    EXPECT_EQ(box()->text(), QStringLiteral("#"));
    EXPECT_EQ(tones, QStringList { "Tonepnd.wav" });
    // Released while Shift is still held: the # key comes up.
    up(Qt::Key_NumberSign, Qt::ShiftModifier);
    EXPECT_TRUE(pressed().isEmpty());
    down(Qt::Key_Asterisk, Qt::ShiftModifier);
    EXPECT_EQ(pressed(), QStringList { "Picture35" });
    up(Qt::Key_Asterisk, Qt::ShiftModifier);
    up(Qt::Key_Shift);
    EXPECT_TRUE(pressed().isEmpty());
}

TEST_F(PadFixture, ShiftReleasedBeforeTheKeyReleasesTheUnshiftedKey)
{
    down(Qt::Key_Shift);
    down(Qt::Key_3, Qt::ShiftModifier);
    up(Qt::Key_Shift, Qt::ShiftModifier);
    up(Qt::Key_3);
    // The up goes to the 3 key; the # key keeps its pressed picture.
    EXPECT_EQ(pressed(), QStringList { "Picture37" });
}

TEST_F(PadFixture, OtherKeysChangeNoPicture)
{
    for (Qt::Key key : { Qt::Key_A, Qt::Key_Plus, Qt::Key_Minus, Qt::Key_Space, Qt::Key_Backspace,
             Qt::Key_NumberSign, Qt::Key_Asterisk, Qt::Key_F3 }) {
        down(key);
        EXPECT_TRUE(pressed().isEmpty()) << key;
        up(key);
    }
}

TEST_F(PadFixture, HeldKeyStaysPressedThroughItsRepeats)
{
    down(Qt::Key_5);
    QKeyEvent repeatUp(QEvent::KeyRelease, Qt::Key_5, Qt::NoModifier, QStringLiteral("5"), true);
    QCoreApplication::sendEvent(box(), &repeatUp);
    EXPECT_EQ(pressed(), QStringList { "Picture26" });
    up(Qt::Key_5);
    EXPECT_TRUE(pressed().isEmpty());
}

TEST_F(PadFixture, PadClickSoundsAppendsAndFocusesTheNumberBox)
{
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    engine.presenter().setNumberText(QStringLiteral("555"));
    box()->setCursorPosition(0);
    window.setFocus();
    ASSERT_FALSE(box()->hasFocus());

    QTest::mouseClick(button("Picture37"), Qt::LeftButton);
    QTest::mouseClick(button("Picture20"), Qt::LeftButton);
    window.padKeyClicked(QLatin1Char('*'));
    window.padKeyClicked(QLatin1Char('0'));
    EXPECT_EQ(tones, (QStringList { "Tonepnd.wav", "Tone1.wav", "Tonestar.wav", "Tone0.wav" }));
    EXPECT_EQ(box()->text(), QStringLiteral("555#1*0"));
    EXPECT_EQ(engine.presenter().numberText(), QStringLiteral("555#1*0"));
    EXPECT_TRUE(box()->hasFocus());
    EXPECT_EQ(box()->cursorPosition(), 7);
    EXPECT_TRUE(pressed().isEmpty());
    window.hide();
}

TEST_F(PadFixture, PadClickWhileTheNumberBoxIsDisabledStillAppends)
{
    box()->setEnabled(false);
    QTest::mouseClick(button("Picture32"), Qt::LeftButton);
    EXPECT_EQ(tones, QStringList { "Tone9.wav" });
    EXPECT_EQ(box()->text(), QStringLiteral("9"));
    EXPECT_FALSE(box()->hasFocus());
}
