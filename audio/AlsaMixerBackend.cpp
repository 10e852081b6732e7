#include "audio/AlsaMixerBackend.h"

#include <alsa/asoundlib.h>

namespace ralu {

namespace {

bool isPlayback(const MixerControl &control)
{
    return control.direction == MixerDirection::Playback;
}

// The first channel the element has in the control's direction.
bool firstChannel(snd_mixer_elem_t *elem, bool playback, snd_mixer_selem_channel_id_t *channel)
{
    for (int c = SND_MIXER_SCHN_FRONT_LEFT; c <= SND_MIXER_SCHN_LAST; ++c) {
        const auto id = snd_mixer_selem_channel_id_t(c);
        if (playback ? snd_mixer_selem_has_playback_channel(elem, id)
                     : snd_mixer_selem_has_capture_channel(elem, id)) {
            *channel = id;
            return true;
        }
    }
    return false;
}

} // namespace

AlsaMixerBackend::AlsaMixerBackend(std::string card)
    : m_card(std::move(card))
{
}

AlsaMixerBackend::~AlsaMixerBackend()
{
    close();
}

bool AlsaMixerBackend::open()
{
    close();
    snd_mixer_t *mixer = nullptr;
    if (snd_mixer_open(&mixer, 0) < 0)
        return false;
    if (snd_mixer_attach(mixer, m_card.c_str()) < 0 || snd_mixer_selem_register(mixer, nullptr, nullptr) < 0
        || snd_mixer_load(mixer) < 0) {
        snd_mixer_close(mixer);
        return false;
    }
    m_mixer = mixer;
    return true;
}

void AlsaMixerBackend::close()
{
    if (m_mixer)
        snd_mixer_close(m_mixer);
    m_mixer = nullptr;
}

snd_mixer_elem_t *AlsaMixerBackend::element(const MixerControl &control)
{
    if (!m_mixer)
        return nullptr;
    // The mixer's controls are read non-blocking: this takes in what has
    // changed since, without waiting.
    snd_mixer_handle_events(m_mixer);
    snd_mixer_selem_id_t *id = nullptr;
    snd_mixer_selem_id_alloca(&id);
    snd_mixer_selem_id_set_index(id, 0);
    snd_mixer_selem_id_set_name(id, control.element.c_str());
    return snd_mixer_find_selem(m_mixer, id);
}

bool AlsaMixerBackend::volumeRange(const MixerControl &control, long *min, long *max)
{
    snd_mixer_elem_t *elem = element(control);
    if (!elem)
        return false;
    if (isPlayback(control))
        return snd_mixer_selem_has_playback_volume(elem)
            && snd_mixer_selem_get_playback_volume_range(elem, min, max) == 0;
    return snd_mixer_selem_has_capture_volume(elem)
        && snd_mixer_selem_get_capture_volume_range(elem, min, max) == 0;
}

bool AlsaMixerBackend::hasSwitch(const MixerControl &control)
{
    snd_mixer_elem_t *elem = element(control);
    if (!elem)
        return false;
    return isPlayback(control) ? snd_mixer_selem_has_playback_switch(elem)
                               : snd_mixer_selem_has_capture_switch(elem);
}

bool AlsaMixerBackend::volume(const MixerControl &control, long *value)
{
    snd_mixer_elem_t *elem = element(control);
    snd_mixer_selem_channel_id_t channel {};
    const bool playback = isPlayback(control);
    if (!elem || !firstChannel(elem, playback, &channel))
        return false;
    return (playback ? snd_mixer_selem_get_playback_volume(elem, channel, value)
                     : snd_mixer_selem_get_capture_volume(elem, channel, value))
        == 0;
}

bool AlsaMixerBackend::setVolume(const MixerControl &control, long value)
{
    snd_mixer_elem_t *elem = element(control);
    if (!elem)
        return false;
    return (isPlayback(control) ? snd_mixer_selem_set_playback_volume_all(elem, value)
                                : snd_mixer_selem_set_capture_volume_all(elem, value))
        == 0;
}

bool AlsaMixerBackend::switchOn(const MixerControl &control, bool *on)
{
    snd_mixer_elem_t *elem = element(control);
    snd_mixer_selem_channel_id_t channel {};
    const bool playback = isPlayback(control);
    if (!elem || !firstChannel(elem, playback, &channel))
        return false;
    int value = 0;
    const int rc = playback ? snd_mixer_selem_get_playback_switch(elem, channel, &value)
                            : snd_mixer_selem_get_capture_switch(elem, channel, &value);
    if (rc != 0)
        return false;
    *on = value != 0;
    return true;
}

bool AlsaMixerBackend::setSwitch(const MixerControl &control, bool on)
{
    snd_mixer_elem_t *elem = element(control);
    if (!elem)
        return false;
    return (isPlayback(control) ? snd_mixer_selem_set_playback_switch_all(elem, on ? 1 : 0)
                                : snd_mixer_selem_set_capture_switch_all(elem, on ? 1 : 0))
        == 0;
}

} // namespace ralu
