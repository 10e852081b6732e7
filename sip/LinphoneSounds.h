// Sounds on this computer through liblinphone's own player and levels:
// the ring and the ring-back (bursts the adapter synthesises into the state
// folder), local
// sound files (8-bit key tones played from a 16-bit copy), the speaker and
// microphone levels as software gains (audio/LevelGain.h), and file-based audio for headless runs.
#pragma once

#include "engine/RtcClient.h"

#include <QString>

namespace ralu {

class LinphoneCoreRunner;

class LinphoneSounds {
public:
    explicit LinphoneSounds(LinphoneCoreRunner &runner)
        : m_runner(runner)
    {
    }

    QString ringFile() const;
    // Writes the ring burst unless a file of its size is already there.
    bool writeRingFile() const;
    // The caller's ring-back: written like the ring, and given to the core,
    // which plays it from the far end's 180 Ringing until the call is
    // answered or fails, or early media (a 183 with SDP) takes its place.
    QString ringbackFile() const;
    bool applyRingback();

    bool playRing(RtcRingType type, bool play);
    bool playFile(const QString &path);
    bool getVolume(RtcAudioDevice device, long *level);
    bool putVolume(RtcAudioDevice device, long level);
    // Calls play and record files instead of sound devices. May come before
    // the core exists: applyFiles() then applies it once it does.
    // Puts the speaker level on the current call once its streams run.
    void applyLevelsToCall();
    void useFilesForAudio(const QString &playWav, const QString &recordWav);
    void applyFiles();
    // A capture and a playback device exist, or files stand in for them.
    bool hasSoundDevices() const;

private:
    LinphoneCoreRunner &m_runner;
    QString m_playFile; // empty: calls use sound devices
    QString m_recordFile;
};

} // namespace ralu
