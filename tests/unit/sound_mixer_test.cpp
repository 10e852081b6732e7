// The sound card's mixer: which control each line lands on and the two
// availability sets, clamping, muting, and a card that is missing or fails.
#include "FakeMixerBackend.h"
#include "audio/SoundMixer.h"
#include "qt_printers.h"

#include <functional>
#include <gtest/gtest.h>
#include <limits>

using namespace ralu;
using namespace ralu::testing;

namespace {

constexpr auto P = MixerDirection::Playback;
constexpr auto C = MixerDirection::Capture;
constexpr int kAllLines = 63;

struct MixerOnFakeCard {
    QStringList log;
    FakeMixerBackend *card = nullptr;
    std::unique_ptr<SoundMixer> mixer;

    explicit MixerOnFakeCard(const std::function<void(FakeMixerBackend &)> &build)
    {
        auto backend = std::make_unique<FakeMixerBackend>();
        backend->log = &log;
        build(*backend);
        card = backend.get();
        mixer = std::make_unique<SoundMixer>(std::move(backend));
        log.clear();
    }
};

FakeMixerBackend::Control noSwitch()
{
    FakeMixerBackend::Control c;
    c.hasSwitch = false;
    return c;
}

FakeMixerBackend::Control switchOnly()
{
    FakeMixerBackend::Control c;
    c.hasVolume = false;
    return c;
}

} // namespace

TEST(SoundMixer, EachLineLandsOnItsControlAndSetsItsBits)
{
    struct Case {
        const char *what;
        std::function<void(FakeMixerBackend &)> build;
        int volumeSet;
        int muteSet;
        QStringList landsOn; // the lines' volume writes, in line order
    };
    const Case cases[] = {
        { "a full card",
            [](FakeMixerBackend &b) {
                for (const char *e : { "Master", "PCM", "Line", "CD", "Synth" })
                    b.put(e, P);
                b.put("Capture", C);
            },
            kAllLines, kAllLines,
            { "setVolume Master 1", "setVolume Capture/capture 1", "setVolume PCM 1", "setVolume Line 1",
                "setVolume CD 1", "setVolume Synth 1" } },
        { "a line with a volume but no mute", [](FakeMixerBackend &b) { b.put("Master", P, noSwitch()); }, 1,
            0, { "setVolume Master 1" } },
        { "no line input: the auxiliary input instead", [](FakeMixerBackend &b) { b.put("Aux", P); }, 8, 8,
            { "setVolume Aux 1" } },
        { "a line input without mute keeps it, no auxiliary attempt",
            [](FakeMixerBackend &b) {
                b.put("Line", P, noSwitch());
                b.put("Aux", P);
            },
            8, 0, { "setVolume Line 1" } },
        { "a line input without volume gives way to the auxiliary input",
            [](FakeMixerBackend &b) {
                b.put("Line", P, switchOnly());
                b.put("Aux", P);
            },
            8, 8, { "setVolume Aux 1" } },
        { "the microphone as Mic when there is no Capture", [](FakeMixerBackend &b) { b.put("Mic", C); }, 2,
            2, { "setVolume Mic/capture 1" } },
        { "controls of the other direction are no line",
            [](FakeMixerBackend &b) {
                b.put("Master", C);
                b.put("Capture", P);
                b.put("Mic", P);
            },
            0, 0, {} },
        { "an empty card", [](FakeMixerBackend &) {}, 0, 0, {} },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        MixerOnFakeCard m(c.build);
        for (int bit = 1; bit <= 32; bit <<= 1) {
            EXPECT_EQ(m.mixer->hasVolumeControl(bit), (c.volumeSet & bit) != 0) << "bit " << bit;
            EXPECT_EQ(m.mixer->hasMuteControl(bit), (c.muteSet & bit) != 0) << "bit " << bit;
        }
        EXPECT_EQ(m.mixer->hasVolumeControl(kAllLines), c.volumeSet != 0);
        for (MixerLine line : kMixerLines)
            m.mixer->setVolume(line, 1);
        EXPECT_EQ(m.log, c.landsOn);
    }
}

TEST(SoundMixer, VolumeIsClampedIntoTheLinesRange)
{
    struct Case {
        long min, max;
        std::int32_t asked;
        long written;
    };
    constexpr std::int32_t lowest = std::numeric_limits<std::int32_t>::min();
    constexpr std::int32_t highest = std::numeric_limits<std::int32_t>::max();
    const Case cases[] = {
        { 0, 65536, -5, 0 },
        { 0, 65536, 0, 0 },
        { 0, 65536, 300, 300 },
        { 0, 65536, 65536, 65536 },
        { 0, 65536, 65537, 65536 },
        { 0, 65536, lowest, 0 },
        { 0, 65536, highest, 65536 },
        { -20, -5, -30, -20 },
        { -20, -5, -9, -9 },
        { -20, -5, 0, -5 },
        { 7, 7, 3, 7 },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(::testing::Message() << c.min << ".." << c.max << " asked " << c.asked);
        MixerOnFakeCard m([&](FakeMixerBackend &b) {
            auto &master = b.put("Master", P);
            master.min = c.min;
            master.max = c.max;
        });
        EXPECT_EQ(m.mixer->minVolume(MixerLine::Wave), c.min);
        EXPECT_EQ(m.mixer->maxVolume(MixerLine::Wave), c.max);
        m.mixer->setVolume(MixerLine::Wave, c.asked);
        EXPECT_EQ(m.log, QStringList { QStringLiteral("setVolume Master %1").arg(c.written) });
        EXPECT_EQ(m.mixer->volume(MixerLine::Wave), c.written);
    }
}

TEST(SoundMixer, AnyValueButZeroMutes)
{
    const std::pair<std::int32_t, bool> cases[] = { { 1, true }, { -1, true }, { 7, true }, { 0, false } };
    for (const auto &[asked, muted] : cases) {
        SCOPED_TRACE(asked);
        // The switch starts the other way round.
        MixerOnFakeCard m([muted = muted](FakeMixerBackend &b) { b.put("Capture", C).on = muted; });
        m.mixer->setMute(MixerLine::Micro, asked);
        EXPECT_EQ(m.card->at("Capture", C).on, !muted);
        EXPECT_EQ(m.mixer->mute(MixerLine::Micro), muted ? 1 : 0);
    }
}

TEST(SoundMixer, LinesWithoutAControlAreNeverTouched)
{
    MixerOnFakeCard m([](FakeMixerBackend &b) {
        auto &master = b.put("Master", P, noSwitch());
        master.value = 1234;
    });
    EXPECT_EQ(m.mixer->volume(MixerLine::Wave), 1234);
    m.log.clear();
    EXPECT_EQ(m.mixer->volume(MixerLine::CD), 0);
    EXPECT_EQ(m.mixer->mute(MixerLine::CD), 0);
    EXPECT_EQ(m.mixer->mute(MixerLine::Wave), 0);
    m.mixer->setVolume(MixerLine::CD, 5);
    m.mixer->setMute(MixerLine::CD, 1);
    m.mixer->setMute(MixerLine::Wave, 1);
    EXPECT_EQ(m.log, QStringList {});
    EXPECT_EQ(m.mixer->minVolume(MixerLine::CD), 0);
    EXPECT_EQ(m.mixer->maxVolume(MixerLine::CD), 0);
}

TEST(SoundMixer, FailingReadsGiveZero)
{
    MixerOnFakeCard m([](FakeMixerBackend &b) {
        auto &capture = b.put("Capture", C);
        capture.value = 40;
        capture.on = false;
    });
    m.card->readsFail = true;
    EXPECT_EQ(m.mixer->volume(MixerLine::Micro), 0);
    EXPECT_EQ(m.mixer->mute(MixerLine::Micro), 0);
    EXPECT_EQ(m.log, (QStringList { "volume Capture/capture", "switch Capture/capture" }));
}

TEST(SoundMixer, AMixerThatCannotBeOpenedHasNoLinesAndIsStillClosed)
{
    QStringList log;
    {
        auto backend = std::make_unique<FakeMixerBackend>();
        backend->log = &log;
        backend->openFails = true;
        backend->put("Master", P);
        backend->put("Capture", C);
        SoundMixer mixer(std::move(backend));
        EXPECT_FALSE(mixer.hasVolumeControl(kAllLines));
        EXPECT_FALSE(mixer.hasMuteControl(kAllLines));
        for (MixerLine line : kMixerLines) {
            EXPECT_EQ(mixer.minVolume(line), 0);
            EXPECT_EQ(mixer.maxVolume(line), 0);
            EXPECT_EQ(mixer.volume(line), 0);
            mixer.setVolume(line, 10);
            mixer.setMute(line, 1);
        }
        EXPECT_EQ(log, QStringList { "open" });
    }
    EXPECT_EQ(log, (QStringList { "open", "close" }));
}

TEST(SoundMixer, DestroyingTheMixerClosesIt)
{
    QStringList log;
    {
        auto backend = std::make_unique<FakeMixerBackend>();
        backend->log = &log;
        backend->put("Master", P);
        SoundMixer mixer(std::move(backend));
        EXPECT_EQ(log.count(QStringLiteral("close")), 0);
    }
    EXPECT_EQ(log.last(), QStringLiteral("close"));
    EXPECT_EQ(log.count(QStringLiteral("close")), 1);
    SoundMixer none(nullptr); // no backend at all: nothing to open or close
    EXPECT_FALSE(none.hasVolumeControl(kAllLines));
}
