// Start-up's sound: the mixer is opened and every level read once, after the
// registration has gone out when the login is saved, and closed when the
// program ends; a client without sound
// devices is reported once, and dialing is refused from then on.
#include "FakeMessageBoxes.h"
#include "FakeMixerBackend.h"
#include "FakeRtcClient.h"
#include "account/SavedLogin.h"
#include "account/SettingsStore.h"
#include "app/Softphone.h"
#include "calls/SoundFailure.h"
#include "engine/Clock.h"
#include "qt_printers.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace ralu;
using namespace ralu::testing;

namespace {

const QString kSoundCard = QStringLiteral("Install Suitable Sound Card ");

struct SoftphoneSound {
    QTemporaryDir dir;
    FakeRtcClient rtc;
    FakeMessageBoxes boxes;
    IniSettingsStore store { dir.filePath(QStringLiteral("cfg/settings.ini")) };
    SystemClock clock;
    QStringList mixerLog;
    bool registeringWhenMixerOpened = false;
    std::unique_ptr<Softphone> phone;

    SoftphoneSound()
    {
        LoginValues v;
        v.strUserName = v.strAccountNumber = QStringLiteral("1001");
        v.strPassword = v.strAccountPassword = QStringLiteral("pw");
        v.strLoginSIPIP = QStringLiteral("127.0.0.1");
        v.strSaveFlag = QStringLiteral("yes");
        SavedLogin(store, QStringLiteral("ralu")).saveProfile(v);
        phone = std::make_unique<Softphone>(
            &rtc, boxes, store, QStringLiteral("ralu"), dir.path(), clock, [this] {
                auto card = std::make_unique<FakeMixerBackend>();
                card->log = &mixerLog;
                registeringWhenMixerOpened = !rtc.enabled.empty();
                card->put("Master", MixerDirection::Playback);
                card->put("Capture", MixerDirection::Capture);
                card->put("CD", MixerDirection::Playback);
                return card;
            });
    }
};

} // namespace

TEST(SoftphoneSound, StartUpReadsEveryLevelOnceAndExitClosesTheMixer)
{
    SoftphoneSound s;
    EXPECT_EQ(s.phone->mixer(), nullptr);
    ASSERT_TRUE(s.phone->start());
    ASSERT_NE(s.phone->mixer(), nullptr);
    EXPECT_TRUE(s.phone->mixer()->hasVolumeControl(SoundMixer::lineBit(MixerLine::CD)));
    EXPECT_EQ(s.mixerLog, (QStringList { "open", "volume Master", "volume Capture/capture", "volume CD" }));
    EXPECT_TRUE(s.registeringWhenMixerOpened);
    s.mixerLog.clear();
    s.phone->engine().exitProgram();
    EXPECT_EQ(s.mixerLog, QStringList { "close" });
    EXPECT_EQ(s.phone->mixer(), nullptr);
}

TEST(SoftphoneSound, NoSoundDeviceIsReportedOnceAndRefusesDialing)
{
    struct Case {
        const char *what;
        bool devices;
        bool clientStarts;
        bool reported;
    };
    const Case cases[] = {
        { "capture and playback devices", true, true, false },
        { "no sound device", false, true, true },
        { "a client that could not start", true, false, true },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        SoftphoneSound s;
        s.rtc.soundDevices = c.devices;
        if (!c.clientStarts)
            s.rtc.failing.insert("initialize");
        ASSERT_TRUE(s.phone->start());
        EXPECT_TRUE(s.phone->window().isVisible());
        EXPECT_EQ(s.phone->state().blnSoundFunError, c.reported);
        ASSERT_EQ(s.boxes.shown.size(), c.reported ? 1u : 0u);
        if (!c.reported)
            continue;
        EXPECT_EQ(s.boxes.shown[0].text, kSoundCard);
        EXPECT_EQ(s.boxes.shown[0].icon, MessageBoxes::Icon::None);
        if (!c.clientStarts)
            continue;
        s.rtc.registration(RTCRS_REGISTERED);
        s.phone->engine().presenter().setNumberText(QStringLiteral("5551234"));
        s.phone->dialer().makeCall();
        ASSERT_EQ(s.boxes.shown.size(), 2u);
        EXPECT_EQ(s.boxes.shown[1].text, kSoundCard);
        EXPECT_EQ(s.boxes.shown[1].icon, MessageBoxes::Icon::Information);
        EXPECT_TRUE(s.rtc.createdSessions.empty());
    }
}

TEST(SoundFailure, OnlyTheFirstFailureOfARunIsShown)
{
    AppState state;
    FakeMessageBoxes boxes;
    for (int i = 0; i < 3; ++i)
        funcSoundError(state, boxes);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, kSoundCard);
    EXPECT_EQ(boxes.shown[0].title, QStringLiteral("Ralu"));
    EXPECT_TRUE(state.blnSoundFunError);
}
