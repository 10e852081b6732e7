// The audio set-up through liblinphone: its sound cards for capture and
// playback, the choice of one of each (kept in linphonerc, so the next call
// and the next run use it), a short test tone on the chosen playback card
// and a level meter on the chosen capture card.
//
// The meter records into a scratch file in the state folder (liblinphone's
// recorder measures while it records, and will not write to /dev/null); the
// file is started afresh every minute so it stays small, and removed when
// the meter stops.
//
// Threads: called on the Qt thread. The player and the recorder belong to
// the core thread: created, used and released inside withCore() only, so
// that no liblinphone object is ever released on the Qt thread; the Qt
// thread keeps only whether the meter runs.
#pragma once

#include "engine/RtcClient.h"

#include <QElapsedTimer>
#include <QString>

#include <functional>
#include <memory>

namespace linphone {
class Core;
class Player;
class Recorder;
} // namespace linphone

namespace ralu {

class LinphoneCoreRunner;

class LinphoneAudioSetup {
public:
    explicit LinphoneAudioSetup(LinphoneCoreRunner &runner);
    ~LinphoneAudioSetup();

    std::vector<RtcSoundDevice> devices(RtcAudioDevice direction) const;
    std::string device(RtcAudioDevice direction) const;
    bool setDevice(RtcAudioDevice direction, const std::string &id);
    bool playTestTone();
    bool startInputMeter();
    bool inputMeterLevel(double *level);
    void stopInputMeter();
    // Lets go of the player and the recorder (before the core stops; on the
    // Qt thread like the rest).
    void release();

private:
    using CorePtr = std::shared_ptr<linphone::Core>;
    // Every use of liblinphone goes through here: runs job with the core, or
    // returns false when there is none. The player and the recorder are
    // touched only inside.
    bool withCore(const std::function<void(const CorePtr &)> &job) const;
    bool writeToneFile() const;
    bool openRecorder();
    void closeRecorder(); // inside withCore()

    LinphoneCoreRunner &m_runner;
    // The core thread's (inside withCore() only).
    std::shared_ptr<linphone::Player> m_player;
    std::shared_ptr<linphone::Recorder> m_recorder;
    mutable QElapsedTimer m_listed; // when the sound cards were last looked for
    // The Qt thread's.
    bool m_metering = false; // the meter's recorder is open
    QElapsedTimer m_recording;
};

} // namespace ralu
