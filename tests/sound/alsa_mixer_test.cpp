// SoundMixer on a real ALSA mixer: the default card as ALSA's pulse plugin
// shows a PulseAudio daemon (run_with_pulseaudio.sh starts one with a null
// sink). What the mixer writes is read back both through the mixer and from
// PulseAudio itself with pactl.
#include "audio/AlsaMixerBackend.h"
#include "audio/SoundMixer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <regex>
#include <string>
#include <thread>

using namespace ralu;

namespace {

std::string run(const std::string &command)
{
    std::string out;
    if (FILE *pipe = popen(command.c_str(), "r")) {
        char buffer[512];
        while (std::fgets(buffer, sizeof buffer, pipe))
            out += buffer;
        pclose(pipe);
    }
    return out;
}

// A line as the sound server has it: pactl's kind ("sink", "source") and
// the default one of that kind.
struct Line {
    MixerLine line;
    const char *kind;
    const char *name;
};
const Line kServerLines[]
    = { { MixerLine::Wave, "sink", "@DEFAULT_SINK@" }, { MixerLine::Micro, "source", "@DEFAULT_SOURCE@" } };

std::string pactlGet(const Line &l, const char *what)
{
    return run(std::string("pactl get-") + l.kind + "-" + what + " " + l.name);
}

// The raw volume of the first channel, -1 when there is none.
long serverVolume(const Line &l)
{
    const std::string out = pactlGet(l, "volume");
    std::smatch m;
    return std::regex_search(out, m, std::regex(R"(front-left: (\d+) )")) ? std::stol(m[1]) : -1;
}

bool serverMuted(const Line &l)
{
    return pactlGet(l, "mute").find("Mute: yes") != std::string::npos;
}

} // namespace

TEST(AlsaMixer, ThePulseCardHasMasterAndCaptureOnly)
{
    SoundMixer mixer(std::make_unique<AlsaMixerBackend>());
    const std::int32_t found = SoundMixer::lineBit(MixerLine::Wave) | SoundMixer::lineBit(MixerLine::Micro);
    for (MixerLine line : kMixerLines) {
        const bool expected = (SoundMixer::lineBit(line) & found) != 0;
        EXPECT_EQ(mixer.hasVolumeControl(SoundMixer::lineBit(line)), expected) << int(line);
        EXPECT_EQ(mixer.hasMuteControl(SoundMixer::lineBit(line)), expected) << int(line);
        EXPECT_EQ(mixer.maxVolume(line) > mixer.minVolume(line), expected) << int(line);
    }
}

TEST(AlsaMixer, VolumesAreSetClampedAndReadBack)
{
    SoundMixer mixer(std::make_unique<AlsaMixerBackend>());
    for (const Line &l : kServerLines) {
        SCOPED_TRACE(l.kind);
        const std::int32_t min = mixer.minVolume(l.line);
        const std::int32_t max = mixer.maxVolume(l.line);
        ASSERT_LT(min, max);
        const std::int32_t middle = min + (max - min) / 3;
        const std::pair<std::int32_t, std::int32_t> cases[] = { { middle, middle }, { max + 1000, max },
            { min - 1000, min }, { max, max }, { middle + 1, middle + 1 } };
        for (const auto &[asked, expected] : cases) {
            mixer.setVolume(l.line, asked);
            EXPECT_EQ(mixer.volume(l.line), expected) << "asked " << asked;
            EXPECT_EQ(serverVolume(l), expected) << "asked " << asked;
        }
    }
}

TEST(AlsaMixer, MuteReachesTheSoundServer)
{
    SoundMixer mixer(std::make_unique<AlsaMixerBackend>());
    for (const Line &l : kServerLines) {
        SCOPED_TRACE(l.kind);
        for (const std::int32_t value : { 1, 0, -7, 0 }) {
            mixer.setMute(l.line, value);
            EXPECT_EQ(mixer.mute(l.line), value != 0 ? 1 : 0) << value;
            EXPECT_EQ(serverMuted(l), value != 0) << value;
        }
    }
}

TEST(AlsaMixer, ChangesMadeElsewhereAreSeen)
{
    SoundMixer mixer(std::make_unique<AlsaMixerBackend>());
    mixer.setVolume(MixerLine::Wave, mixer.maxVolume(MixerLine::Wave));
    run("pactl set-sink-volume @DEFAULT_SINK@ 12345");
    // The server tells the plugin asynchronously.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(3);
    while (mixer.volume(MixerLine::Wave) != 12345 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(mixer.volume(MixerLine::Wave), 12345);
}

TEST(AlsaMixer, ACardThatDoesNotExistGivesAMixerWithoutLines)
{
    SoundMixer mixer(std::make_unique<AlsaMixerBackend>("hw:99"));
    EXPECT_FALSE(mixer.hasVolumeControl(63));
    EXPECT_FALSE(mixer.hasMuteControl(63));
    for (MixerLine line : kMixerLines) {
        EXPECT_EQ(mixer.maxVolume(line), 0);
        EXPECT_EQ(mixer.volume(line), 0);
    }
}
