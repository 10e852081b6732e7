// Plays a sound file on this computer's speakers, through the same audio
// stack as the calls. The liblinphone adapter is one; tests use a recorder.
#pragma once

#include <QString>

namespace ralu {

class SoundPlayer {
public:
    virtual ~SoundPlayer() = default;
    // Starts playing the WAVE file at path once and returns at once; a sound
    // still playing from an earlier call is cut off. False when the file
    // cannot be played, in which case nothing is heard.
    virtual bool playFile(const QString &path) = 0;
};

} // namespace ralu
