// The SIP stack's own view of the sound devices with a sound server running
// (run_with_pulseaudio.sh): start-up must not take this machine for one
// without sound, or every call would be refused.
#include "sip/LinphoneRtcClient.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace ralu;

TEST(SoundDevices, ASoundServerGivesTheClientACaptureAndAPlaybackDevice)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    LinphoneRtcClient rtc(dir.filePath(QStringLiteral("sip")));
    EXPECT_FALSE(rtc.hasSoundDevices()) << "not before the client is initialised";
    ASSERT_TRUE(rtc.initialize());
    EXPECT_TRUE(rtc.hasSoundDevices());
    rtc.shutdown();
    EXPECT_FALSE(rtc.hasSoundDevices());
}

TEST(SoundDevices, TheInputMeterMeasuresTheCaptureDeviceUntilStopped)
{
    QTemporaryDir dir;
    LinphoneRtcClient rtc(dir.filePath(QStringLiteral("sip")));
    ASSERT_TRUE(rtc.initialize());
    double level = -1;
    ASSERT_TRUE(rtc.startInputMeter());
    ASSERT_TRUE(rtc.inputMeterLevel(&level));
    EXPECT_TRUE(level >= 0.0 && level <= 1.0) << level;
    rtc.stopInputMeter();
    EXPECT_FALSE(rtc.inputMeterLevel(&level));
    EXPECT_TRUE(rtc.playTestTone());
}
