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
