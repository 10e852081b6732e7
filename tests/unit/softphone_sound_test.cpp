// Start-up's sound: the mixer is opened and every level read once, after the
// registration has gone out when the login is saved, and closed when the
// program ends; a client without sound
// devices is reported once, and dialing is refused from then on.
#include "FakeMessageBoxes.h"
#include "FakeMixerBackend.h"
#include "FakeRtcClient.h"
#include "TestFiles.h"
#include "account/SavedLogin.h"
#include "account/SettingsStore.h"
#include "app/Softphone.h"
#include "calls/SoundFailure.h"
#include "engine/Clock.h"
#include "qt_printers.h"

#include <QTemporaryDir>
#include <QTest>
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
        const char *startFailure; // null: the client starts
        QString shown;
    };
    const Case cases[] = {
        { "capture and playback devices", true, nullptr, {} },
        { "no sound device", false, nullptr, kSoundCard },
        { "a client that could not start says why, not the sound card", true, "the folder /x is not writable",
            "Cannot start the SIP stack: the folder /x is not writable." },
        { "or that it could not start", true, "", "Cannot start the SIP stack." },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        SoftphoneSound s;
        s.rtc.soundDevices = c.devices;
        if (c.startFailure) {
            s.rtc.failing.insert("initialize");
            s.rtc.startFailureText = c.startFailure;
        }
        ASSERT_TRUE(s.phone->start());
        EXPECT_TRUE(s.phone->window().isVisible());
        ASSERT_EQ(s.boxes.shown.size(), c.shown.isEmpty() ? 0u : 1u);
        if (c.shown.isEmpty())
            continue;
        EXPECT_EQ(s.boxes.shown[0].text, c.shown);
        EXPECT_EQ(
            s.boxes.shown[0].icon, c.startFailure ? MessageBoxes::Icon::Error : MessageBoxes::Icon::None);
        if (c.startFailure) {
            EXPECT_EQ(s.phone->engine().statusText(), QStringLiteral("SIP stack not started"));
            continue;
        }
        EXPECT_TRUE(s.phone->state().blnSoundFunError);
        s.rtc.registration(RTCRS_REGISTERED);
        s.phone->engine().setNumberText(QStringLiteral("5551234"));
        s.phone->dialer().makeCall();
        ASSERT_EQ(s.boxes.shown.size(), 2u);
        EXPECT_EQ(s.boxes.shown[1].text, kSoundCard);
        EXPECT_EQ(s.boxes.shown[1].icon, MessageBoxes::Icon::Information);
        EXPECT_TRUE(s.rtc.createdSessions.empty());
    }
}

TEST(SoftphoneHistory, ACallThatCannotBeWrittenIsToldOnceAfterItsEvent)
{
    SoftphoneSound s;
    ASSERT_TRUE(s.phone->start());
    putNotAFile(NotAFile::Fifo, s.phone->history().filePath(), {});
    for (int call = 0; call < 2; ++call) {
        const auto missed = FakeSession::offeredBy("sip:555@127.0.0.1");
        s.rtc.session(missed, RTCSS_INCOMING);
        s.rtc.session(missed, RTCSS_DISCONNECTED);
        EXPECT_EQ(s.boxes.shown.size(), 0u) << "never in the middle of the call's events";
    }
    for (int waited = 0; waited < 1000 && s.boxes.shown.empty(); waited += 10)
        QTest::qWait(10);
    QTest::qWait(200);
    ASSERT_EQ(s.boxes.shown.size(), 1u) << "once, not after every call";
    EXPECT_EQ(s.boxes.shown[0].text,
        QStringLiteral("Could not write the call history: ") + s.phone->history().filePath()
            + QStringLiteral(": not a regular file"));
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
