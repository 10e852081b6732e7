// The sound card's mixer over six lines: per line the volume range, the
// volume, the mute state and setters for both (the mixer class the design
// calls clsVolume). The lines are looked up once, when the mixer is made;
// a card added or removed later is not noticed. Nothing is reported: a
// failing read gives 0 and a failing write does nothing.
#pragma once

#include "audio/MixerBackend.h"

#include <array>
#include <cstdint>
#include <memory>

namespace ralu {

// In the order they are looked up. Wave is the master output, WaveIn the
// level of played sound (not a recording line), LineIn the line input or,
// on a card without one, the auxiliary input.
enum class MixerLine { Wave, Micro, WaveIn, LineIn, CD, Midi };
constexpr std::size_t kMixerLineCount = 6;
constexpr std::array<MixerLine, kMixerLineCount> kMixerLines { MixerLine::Wave, MixerLine::Micro,
    MixerLine::WaveIn, MixerLine::LineIn, MixerLine::CD, MixerLine::Midi };

class SoundMixer {
public:
    // Opens the default card's mixer through backend (null: there is no
    // mixer) and looks up each line's volume and mute controls.
    explicit SoundMixer(std::unique_ptr<MixerBackend> backend);
    // Closes the mixer, also when it could not be opened.
    ~SoundMixer();
    SoundMixer(const SoundMixer &) = delete;
    SoundMixer &operator=(const SoundMixer &) = delete;

    // The line's bit in the availability sets: Wave 1, Micro 2, WaveIn 4,
    // LineIn 8, CD 16, Midi 32.
    static std::int32_t lineBit(MixerLine line) { return std::int32_t(1) << std::size_t(line); }

    // The range of the line's volume, stored at creation; 0 to 0 for a line
    // without a volume control.
    std::int32_t minVolume(MixerLine line) const { return at(line).min; }
    std::int32_t maxVolume(MixerLine line) const { return at(line).max; }
    // The line's volume; 0 when it cannot be read.
    std::int32_t volume(MixerLine line) const;
    // 1 when the line is muted, else 0 (also when it cannot be read).
    std::int32_t mute(MixerLine line) const;
    // Sets the volume, clamped into the line's range.
    void setVolume(MixerLine line, std::int32_t newVolume);
    // Any value but 0 mutes the line, 0 unmutes it.
    void setMute(MixerLine line, std::int32_t newValue);

    // True when a line of the mask (an or of lineBit values) has a volume
    // control, or a mute control.
    bool hasVolumeControl(std::int32_t mask) const { return (m_volumeLines & mask) != 0; }
    bool hasMuteControl(std::int32_t mask) const { return (m_muteLines & mask) != 0; }

private:
    struct Line {
        MixerControl control; // where its controls were found
        std::int32_t min = 0;
        std::int32_t max = 0;
    };
    const Line &at(MixerLine line) const { return m_lines[std::size_t(line)]; }
    bool hasVolume(MixerLine line) const { return hasVolumeControl(lineBit(line)); }
    bool hasMute(MixerLine line) const { return hasMuteControl(lineBit(line)); }
    void lookUp(MixerLine line);

    std::unique_ptr<MixerBackend> m_backend;
    std::array<Line, kMixerLineCount> m_lines {};
    std::int32_t m_volumeLines = 0;
    std::int32_t m_muteLines = 0;
};

} // namespace ralu
