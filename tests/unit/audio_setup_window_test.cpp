// The audio set-up window over the fake client: the devices it lists, the
// choices it hands to the client, the test tone and the input meter.
#include "FakeRtcClient.h"
#include "qt_printers.h"
#include "windows/AudioSetupWindow.h"

#include <QComboBox>
#include <QLabel>
#include <QProgressBar>
#include <QTest>
#include <gtest/gtest.h>

using namespace ralu;
using namespace ralu::testing;

namespace {

struct AudioSetupFixture : ::testing::Test {
    FakeRtcClient rtc;
    void SetUp() override
    {
        rtc.devices[RTCAD_MICROPHONE]
            = { { "ALSA: default", "default (ALSA)" }, { "ALSA: usb", "Headset (ALSA)" } };
        rtc.devices[RTCAD_SPEAKER]
            = { { "Pulse: out", "Speakers (PulseAudio)" }, { "ALSA: usb", "Headset (ALSA)" } };
        rtc.chosen = { { RTCAD_MICROPHONE, "ALSA: usb" }, { RTCAD_SPEAKER, "Pulse: out" } };
    }
    // Picks an entry as a user does (activated, not just a changed index).
    static void pick(QComboBox *box, int row)
    {
        box->setCurrentIndex(row);
        emit box->activated(row);
    }
};

} // namespace

TEST_F(AudioSetupFixture, ListsTheDevicesWithTheOnesInUseSelected)
{
    AudioSetupWindow setup(rtc);
    EXPECT_EQ(setup.captureBox()->count(), 2);
    EXPECT_EQ(setup.captureBox()->currentText(), QStringLiteral("Headset (ALSA)"));
    EXPECT_EQ(setup.playbackBox()->currentText(), QStringLiteral("Speakers (PulseAudio)"));
    EXPECT_FALSE(rtc.calls.filter(QStringLiteral("setSoundDevice")).size()) << "opening chooses nothing";
}

TEST_F(AudioSetupFixture, AChoiceReachesTheClientAtOnce)
{
    AudioSetupWindow setup(rtc);
    pick(setup.captureBox(), 0);
    pick(setup.playbackBox(), 1);
    EXPECT_EQ(rtc.chosen[RTCAD_MICROPHONE], "ALSA: default");
    EXPECT_EQ(rtc.chosen[RTCAD_SPEAKER], "ALSA: usb");
    EXPECT_TRUE(setup.messageLabel()->text().isEmpty());
}

TEST_F(AudioSetupFixture, ARefusedChoiceIsToldAndTheBoxShowsTheDeviceInUse)
{
    AudioSetupWindow setup(rtc);
    rtc.failing.insert("setSoundDevice");
    pick(setup.playbackBox(), 1);
    EXPECT_EQ(rtc.chosen[RTCAD_SPEAKER], "Pulse: out");
    EXPECT_EQ(setup.playbackBox()->currentText(), QStringLiteral("Speakers (PulseAudio)"));
    EXPECT_EQ(setup.messageLabel()->text(), QStringLiteral("That speaker could not be used."));
}

TEST_F(AudioSetupFixture, NoDeviceLeavesTheBoxDisabled)
{
    rtc.devices.clear();
    AudioSetupWindow setup(rtc);
    EXPECT_FALSE(setup.captureBox()->isEnabled());
    EXPECT_EQ(setup.captureBox()->currentText(), QStringLiteral("(no device found)"));
}

TEST_F(AudioSetupFixture, TestToneAndMeterRunThroughTheClient)
{
    {
        AudioSetupWindow setup(rtc);
        setup.show();
        ASSERT_TRUE(rtc.meterRunning) << "the meter runs while the window shows";
        rtc.meterLevel = 0.1; // -20 dB
        QTest::qWait(250);
        EXPECT_EQ(setup.meter()->value(), 67);
        QTest::mouseClick(setup.testButton(), Qt::LeftButton);
        EXPECT_EQ(rtc.testTones, 1);
        rtc.failing.insert("playTestTone");
        QTest::mouseClick(setup.testButton(), Qt::LeftButton);
        EXPECT_EQ(setup.messageLabel()->text(), QStringLiteral("The speaker could not play."));
        setup.close();
        EXPECT_FALSE(rtc.meterRunning);
    }
    EXPECT_EQ(rtc.calls.count(QStringLiteral("stopInputMeter")), 1);
}

TEST(AudioSetupMeter, BarSpansSixtyDecibels)
{
    const std::pair<double, int> cases[] = { { 1.0, 100 }, { 2.0, 100 }, { 0.5, 90 }, { 0.001, 0 },
        { 0.0001, 0 }, { 0.0, 0 }, { -1.0, 0 }, { std::nan(""), 0 } };
    for (const auto &[level, percent] : cases)
        EXPECT_EQ(AudioSetupWindow::meterPercent(level), percent) << level;
}
