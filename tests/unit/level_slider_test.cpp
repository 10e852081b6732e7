// The level sliders' arithmetic, the level <-> gain mapping of the SIP
// adapter, and the sliders on the main window driven with the mouse.
#include "RegisteredPhone.h"
#include "audio/LevelGain.h"
#include "audio/LevelSlider.h"
#include "qt_printers.h"
#include "windows/LevelSliders.h"

#include <QTest>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

using namespace ralu;
using namespace ralu::testing;

namespace {

// The main window's microphone track: 97 px from row 176, a 14 px knob.
const SliderTrack kMic { 176, 97, 14 };
using Order = LevelSlider::ClampOrder;

} // namespace

TEST(LevelSlider, RoundsHalvesToEven)
{
    const std::pair<double, double> cases[] = { { 0.5, 0 }, { 1.5, 2 }, { 2.5, 2 }, { -0.5, 0 }, { -1.5, -2 },
        { 48.4993, 48 }, { 2.50001, 3 }, { 7, 7 } };
    for (const auto &[in, out] : cases)
        EXPECT_EQ(LevelSlider::roundHalfEven(in), out) << in;
}

TEST(LevelSlider, KnobPlacedFromALevel)
{
    struct Case {
        long level;
        SliderTrack track;
        Order order;
        int top;
    };
    const Case cases[] = {
        { 65535, kMic, Order::TopThenBottom, 176 }, // top on the track's top
        { 32768, kMic, Order::TopThenBottom, 176 + 48 }, // 97 - 48.4993 rounds to 48
        { 0, kMic, Order::TopThenBottom, 176 + 97 - 14 }, // bottom clamp
        { 70000, kMic, Order::TopThenBottom, 176 }, // above the range: top clamp
        { 6000, kMic, Order::TopThenBottom, 176 + 83 }, // 88.1 rounds to 88, clamped to 83
        { 65535, { 100, 98, 14 }, Order::BottomThenTop, 100 }, // the speaker
        { 0, { 100, 98, 14 }, Order::BottomThenTop, 100 + 84 },
        // A knob taller than its track: the clamp run last wins.
        { 0, { 100, 10, 14 }, Order::TopThenBottom, 96 },
        { 0, { 100, 10, 14 }, Order::BottomThenTop, 100 },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.level);
        EXPECT_EQ(LevelSlider::knobTopForLevel(c.level, c.track, c.order), c.top);
    }
    EXPECT_FALSE(LevelSlider::knobTopForLevel(-3'000'000'000'000L, kMic, Order::TopThenBottom))
        << "a position beyond 32 bits is an error";
}

TEST(LevelSlider, DraggingMovesTheKnobAndGivesItsLevel)
{
    struct Case {
        int knobTop;
        double grabY, mouseY;
        int top;
        long level;
    };
    const Case cases[] = {
        { 176, 5, 15, 186, 57639 }, // 10 px below the track's top
        { 176, 5, 53, 224, 27635 }, // where level 32768 placed it
        { 200, 7, -100, 176, 65535 }, // above the track: its top, loudest
        { 200, 7, 300, 259, 0 }, // below: the bottom bound, silent
        { 176, 0, 0, 176, 65535 }, // at the top without moving: still the top
        { 258, 3, 4, 259, 0 }, // a move onto the bottom bound
        { 190, 6, 6.5, 190, 54481 }, // 6.5 rounds to 6: no move
        { 190, 6, 7.5, 192, 52902 }, // 7.5 rounds to 8
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.mouseY);
        LevelSlider slider;
        slider.press(LevelSlider::kLeftButtonOnly, c.grabY);
        const auto drag = slider.drag(LevelSlider::kLeftButtonOnly, c.knobTop, c.mouseY, kMic);
        ASSERT_TRUE(drag);
        EXPECT_EQ(drag->knobTop, c.top);
        EXPECT_EQ(drag->level, c.level);
    }
}

TEST(LevelSlider, OnlyTheLeftButtonAloneGrabsAndDrags)
{
    LevelSlider slider;
    slider.press(1, 4.6);
    EXPECT_EQ(slider.grabY(), 5);
    for (int buttons : { 0, 2, 3, 4, 5 }) {
        slider.press(buttons, 9);
        EXPECT_EQ(slider.grabY(), 5) << "press with " << buttons;
        EXPECT_FALSE(slider.drag(buttons, 190, 30, kMic)) << "move with " << buttons;
    }
}

TEST(LevelSlider, ATrackAsTallAsItsKnobMovesTheKnobButGivesNoLevel)
{
    LevelSlider slider;
    slider.press(1, 0);
    const auto drag = slider.drag(1, 100, 3, { 100, 14, 14 });
    ASSERT_TRUE(drag);
    EXPECT_EQ(drag->knobTop, 100);
    EXPECT_FALSE(drag->level);
}

TEST(LevelGain, FullIsUnityAndZeroIsExactSilence)
{
    EXPECT_EQ(levelToGainDb(65535), 0.0f);
    EXPECT_EQ(float(std::pow(10.0f, levelToGainDb(0) / 10.0f)), 0.0f) << "the factor the stack applies";
    EXPECT_NEAR(levelToGainDb(6554), -10.0f, 0.001f); // a tenth of the amplitude
    EXPECT_EQ(levelToGainDb(-5), levelToGainDb(0));
    EXPECT_EQ(levelToGainDb(70000), 0.0f);
    EXPECT_EQ(gainDbToLevel(6.0f), 65535) << "a louder gain left by another program";
    EXPECT_EQ(gainDbToLevel(std::nanf("")), 0);
}

TEST(LevelGain, EveryLevelComesBackUnchangedAlsoThroughTheConfigurationText)
{
    for (long level = 0; level <= 65535; ++level) {
        const float gain = levelToGainDb(level);
        ASSERT_EQ(gainDbToLevel(gain), level);
        char text[64]; // linphonerc keeps the gain with "%f"
        std::snprintf(text, sizeof text, "%f", double(gain));
        ASSERT_EQ(gainDbToLevel(std::strtof(text, nullptr)), level) << text;
    }
}

namespace {

struct SliderWindow : ::testing::Test {
    RegisteredPhone phone;
    int failures = 0;
    void SetUp() override
    {
        phone.registerAccount();
        phone.window.levelSliders()->setSoundFailure([this] { ++failures; });
    }
    QWidget *find(const char *name) { return phone.window.findChild<QWidget *>(QString::fromLatin1(name)); }
};

} // namespace

TEST_F(SliderWindow, KnobsArePlacedFromTheClientLevels)
{
    phone.rtc.volumes = { { RTCAD_MICROPHONE, 32768 }, { RTCAD_SPEAKER, 0 } };
    phone.window.levelSliders()->placeKnobs();
    EXPECT_EQ(find("picMic")->y(), 176 + 48);
    EXPECT_EQ(find("picspeaker")->y(), 176 + 98 - 14);
    EXPECT_EQ(failures, 0);
}

TEST_F(SliderWindow, DraggingAKnobSetsTheClientLevel)
{
    QWidget *knob = find("picMic");
    knob->move(knob->x(), 176);
    QTest::mousePress(knob, Qt::LeftButton, {}, QPoint(5, 5));
    QMouseEvent move(QEvent::MouseMove, QPointF(5, 15), knob->mapToGlobal(QPointF(5, 15)), Qt::NoButton,
        Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(knob, &move);
    EXPECT_EQ(knob->y(), 186);
    EXPECT_EQ(phone.rtc.volumes[RTCAD_MICROPHONE], 57639);
    EXPECT_EQ(phone.rtc.volumes[RTCAD_SPEAKER], 32768) << "the other slider is untouched";
    QMouseEvent rightDrag(QEvent::MouseMove, QPointF(5, 40), knob->mapToGlobal(QPointF(5, 40)), Qt::NoButton,
        Qt::LeftButton | Qt::RightButton, Qt::NoModifier);
    QApplication::sendEvent(knob, &rightDrag);
    EXPECT_EQ(knob->y(), 186) << "two buttons held: no move";
}

TEST_F(SliderWindow, AFailingLevelIsReportedAndTheKnobStaysMoved)
{
    phone.rtc.failing.insert("putVolume");
    QWidget *knob = find("picspeaker");
    knob->move(knob->x(), 176);
    QTest::mousePress(knob, Qt::LeftButton, {}, QPoint(5, 0));
    QMouseEvent move(QEvent::MouseMove, QPointF(5, 20), knob->mapToGlobal(QPointF(5, 20)), Qt::NoButton,
        Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(knob, &move);
    EXPECT_EQ(knob->y(), 196);
    EXPECT_EQ(failures, 1);
    phone.rtc.failing.insert("getVolume");
    phone.window.levelSliders()->placeKnobs();
    EXPECT_EQ(failures, 3) << "each knob's read fails on its own";
}

TEST_F(SliderWindow, ClickingATrackOnlyGivesTheNumberBoxTheFocus)
{
    phone.window.show();
    phone.window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&phone.window));
    phone.window.setFocus();
    ASSERT_FALSE(phone.window.numberBox()->hasFocus());
    QWidget *knob = find("picspeaker");
    const QPoint before = knob->pos();
    const QPoint windowAt = phone.window.pos();
    QTest::mouseClick(find("lbspeaker"), Qt::LeftButton, {}, QPoint(9, 80));
    EXPECT_EQ(knob->pos(), before);
    EXPECT_EQ(phone.window.pos(), windowAt);
    EXPECT_TRUE(phone.window.numberBox()->hasFocus());
    EXPECT_EQ(phone.rtc.volumes[RTCAD_SPEAKER], 32768) << "no level sent";
    phone.window.hide();
}
