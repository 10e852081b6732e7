#include "audio/SoundMixer.h"

#include <algorithm>
#include <limits>
#include <vector>

namespace ralu {

namespace {

// Where each line is looked for on the card, in order: the first element
// with a volume is the line, and its mute is that element's switch. So the
// line input falls back to the auxiliary input only when it has no volume
// at all, never because it lacks a mute switch.
const std::vector<MixerControl> &candidates(MixerLine line)
{
    using D = MixerDirection;
    static const std::array<std::vector<MixerControl>, kMixerLineCount> table { {
        { { "Master", D::Playback } },
        { { "Capture", D::Capture }, { "Mic", D::Capture } },
        { { "PCM", D::Playback } },
        { { "Line", D::Playback }, { "Aux", D::Playback } },
        { { "CD", D::Playback } },
        { { "Synth", D::Playback } },
    } };
    return table[std::size_t(line)];
}

std::int32_t toInt32(long value)
{
    return std::int32_t(std::clamp<long>(
        value, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
}

} // namespace

SoundMixer::SoundMixer(std::unique_ptr<MixerBackend> backend)
    : m_backend(std::move(backend))
{
    if (!m_backend || !m_backend->open())
        return; // no lines: every range 0, both sets empty
    for (MixerLine line : kMixerLines)
        lookUp(line);
}

SoundMixer::~SoundMixer()
{
    if (m_backend)
        m_backend->close();
}

void SoundMixer::lookUp(MixerLine line)
{
    for (const MixerControl &control : candidates(line)) {
        long min = 0;
        long max = 0;
        if (!m_backend->volumeRange(control, &min, &max))
            continue;
        Line &found = m_lines[std::size_t(line)];
        found.control = control;
        found.min = toInt32(min);
        found.max = toInt32(max);
        m_volumeLines |= lineBit(line);
        if (m_backend->hasSwitch(control))
            m_muteLines |= lineBit(line);
        return;
    }
}

std::int32_t SoundMixer::volume(MixerLine line) const
{
    long value = 0;
    if (!hasVolume(line) || !m_backend->volume(at(line).control, &value))
        return 0;
    return toInt32(value);
}

std::int32_t SoundMixer::mute(MixerLine line) const
{
    bool on = true;
    if (!hasMute(line) || !m_backend->switchOn(at(line).control, &on))
        return 0;
    return on ? 0 : 1;
}

void SoundMixer::setVolume(MixerLine line, std::int32_t newVolume)
{
    if (!hasVolume(line))
        return;
    const Line &l = at(line);
    // Below the minimum first, then above the maximum: a range upside down
    // ends at its maximum.
    if (newVolume < l.min)
        newVolume = l.min;
    if (newVolume > l.max)
        newVolume = l.max;
    m_backend->setVolume(l.control, newVolume);
}

void SoundMixer::setMute(MixerLine line, std::int32_t newValue)
{
    if (hasMute(line))
        m_backend->setSwitch(at(line).control, newValue == 0);
}

} // namespace ralu
