// The mixer of an ALSA card through the simple mixer interface
// (snd_mixer_selem_*), by default the default card: on a desktop that is
// PulseAudio's, through ALSA's pulse plugin. Used from one thread only.
#pragma once

#include "audio/MixerBackend.h"

#include <string>

typedef struct _snd_mixer snd_mixer_t;
typedef struct _snd_mixer_elem snd_mixer_elem_t;

namespace ralu {

class AlsaMixerBackend : public MixerBackend {
public:
    explicit AlsaMixerBackend(std::string card = "default");
    ~AlsaMixerBackend() override;
    AlsaMixerBackend(const AlsaMixerBackend &) = delete;
    AlsaMixerBackend &operator=(const AlsaMixerBackend &) = delete;

    bool open() override;
    void close() override;
    bool volumeRange(const MixerControl &control, long *min, long *max) override;
    bool hasSwitch(const MixerControl &control) override;
    bool volume(const MixerControl &control, long *value) override;
    bool setVolume(const MixerControl &control, long value) override;
    bool switchOn(const MixerControl &control, bool *on) override;
    bool setSwitch(const MixerControl &control, bool on) override;

private:
    // The element of a control, with the changes others made taken in;
    // null when there is none.
    snd_mixer_elem_t *element(const MixerControl &control);

    std::string m_card;
    snd_mixer_t *m_mixer = nullptr;
};

} // namespace ralu
