// The sound card's mixer as SoundMixer sees it: simple controls named by
// their element ("Master", "Capture", "PCM"...) and their direction, each
// with a volume and perhaps an on/off switch. The ALSA backend is the real
// one; tests use a fake. Failures show only as return values.
#pragma once

#include <string>

namespace ralu {

enum class MixerDirection { Playback, Capture };

// One control on the card: an element and the direction of its volume.
struct MixerControl {
    std::string element;
    MixerDirection direction = MixerDirection::Playback;
};

class MixerBackend {
public:
    virtual ~MixerBackend() = default;
    // Opens the mixer of the default card; false when there is none.
    virtual bool open() = 0;
    // Closes it; nothing happens when it is not open.
    virtual void close() = 0;
    // The control's volume range; false when it has no volume.
    virtual bool volumeRange(const MixerControl &control, long *min, long *max) = 0;
    // Whether the control can be switched off (muted).
    virtual bool hasSwitch(const MixerControl &control) = 0;
    // The volume of its first channel; setting sets every channel.
    virtual bool volume(const MixerControl &control, long *value) = 0;
    virtual bool setVolume(const MixerControl &control, long value) = 0;
    // On means sound passes (not muted); setting sets every channel.
    virtual bool switchOn(const MixerControl &control, bool *on) = 0;
    virtual bool setSwitch(const MixerControl &control, bool on) = 0;
};

} // namespace ralu
