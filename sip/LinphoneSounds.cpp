#include "sip/LinphoneSounds.h"

#include "audio/LevelGain.h"
#include "audio/WavePcm.h"
#include "sip/LinphoneCoreRunner.h"

#include <linphone++/linphone.hh>

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cmath>

namespace ralu {

namespace {

constexpr const char *kRingFileName = "ring.wav";
constexpr const char *kRingbackFileName = "ringback.wav";
// 16-bit copy of the last 8-bit sound played, and the largest file copied.
constexpr const char *kLocalSoundFileName = "local-sound.wav";
constexpr qint64 kLargestCopiedSound = 1 << 20;

// A burst of 440 Hz + 480 Hz (the North American ring and ring-back tones),
// 8 kHz 16-bit mono, with 20 ms fades so it starts and stops without a
// click, then silence.
struct Burst {
    int toneMs;
    int silenceMs;
};
constexpr int kToneRate = 8000;
constexpr int kToneFadeMs = 20;

// Ring: a 1 s burst, then 0.6 s of silence: liblinphone tears the sound
// stream down when the file ends, and with PulseAudio the last few hundred
// milliseconds still in its buffer are lost (a bare 1 s burst is heard as
// about 0.7 s). The whole file stays shorter than the application's 2 s
// ring period.
constexpr Burst kRing { 1000, 600 };
// Ring-back, which liblinphone plays in a loop with 2 s between the ends
// and starts of the file while the far end rings: 2 s on, 4 s off, the
// North American ring-back cadence.
constexpr Burst kRingback { 2000, 2000 };

// Writes the burst to path unless a file of its size is already there.
bool writeBurst(const QString &path, const Burst &b)
{
    const int tone = kToneRate * b.toneMs / 1000;
    const int total = tone + kToneRate * b.silenceMs / 1000;
    const int fade = kToneRate * kToneFadeMs / 1000;
    const quint32 dataBytes = quint32(total) * 2;
    if (QFileInfo(path).size() == qint64(44 + dataBytes))
        return true;

    QByteArray samples;
    samples.reserve(int(dataBytes));
    auto put16 = [&samples](qint16 v) {
        samples.append(char(quint16(v) & 0xff));
        samples.append(char((quint16(v) >> 8) & 0xff));
    };
    for (int i = 0; i < tone; ++i) {
        const double t = double(i) / kToneRate;
        double env = 1.0;
        if (i < fade)
            env = double(i) / fade;
        else if (i >= tone - fade)
            env = double(tone - 1 - i) / fade;
        const double v = 0.35 * env * (std::sin(2 * M_PI * 440 * t) + std::sin(2 * M_PI * 480 * t));
        put16(qint16(std::lround(v * 32767.0)));
    }
    samples.append(QByteArray(int(dataBytes) - samples.size(), '\0'));
    const QByteArray wav = waveFileBytes(WaveFormat { 1, kToneRate, 16 }, samples);

    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(wav);
    if (!file.commit())
        return false;
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    return true;
}

} // namespace

QString LinphoneSounds::ringFile() const
{
    return m_runner.stateFile(kRingFileName);
}

bool LinphoneSounds::writeRingFile() const
{
    return writeBurst(ringFile(), kRing);
}

QString LinphoneSounds::ringbackFile() const
{
    return m_runner.stateFile(kRingbackFileName);
}

bool LinphoneSounds::applyRingback()
{
    if (!writeBurst(ringbackFile(), kRingback))
        return false;
    const std::string path = LinphoneCoreRunner::localPath(ringbackFile());
    return m_runner.run([&](const auto &core) { core->setRingback(path); });
}

bool LinphoneSounds::playRing(RtcRingType type, bool play)
{
    if (!m_runner.started())
        return false;
    if (play && (type != RTCRT_PHONE || !writeRingFile()))
        return false; // only the phone ring exists
    bool done = false;
    m_runner.run([&](const auto &core) {
        if (!play) {
            core->stopRinging();
            done = true;
        } else {
            done = core->playLocal(LinphoneCoreRunner::localPath(ringFile())) == 0;
        }
    });
    return done;
}

bool LinphoneSounds::playFile(const QString &path)
{
    if (!m_runner.started())
        return false;
    // The player reads 16-bit PCM only; an 8-bit file (a key tone) is played
    // from a 16-bit copy in the state folder.
    QString playable = path;
    QFile file(path);
    if (file.open(QIODevice::ReadOnly) && file.size() <= kLargestCopiedSound) {
        if (const auto copy = sixteenBitCopyOfEightBitWave(file.readAll())) {
            playable = m_runner.stateFile(kLocalSoundFileName);
            QFile out(playable);
            if (!out.open(QIODevice::WriteOnly) || out.write(*copy) != copy->size())
                return false;
        }
    }
    // Shares the ring's player: a new sound cuts the one still playing.
    bool playing = false;
    m_runner.run(
        [&](const auto &core) { playing = core->playLocal(LinphoneCoreRunner::localPath(playable)) == 0; });
    return playing;
}

bool LinphoneSounds::getVolume(RtcAudioDevice device, long *level)
{
    if (!level || (device != RTCAD_SPEAKER && device != RTCAD_MICROPHONE))
        return false;
    float gainDb = 0;
    if (!m_runner.run([&](const auto &core) {
            gainDb = device == RTCAD_SPEAKER ? core->getPlaybackGainDb() : core->getMicGainDb();
        }))
        return false;
    *level = gainDbToLevel(gainDb);
    return true;
}

bool LinphoneSounds::putVolume(RtcAudioDevice device, long level)
{
    if (level < 0 || level > RTC_VOLUME_MAX || (device != RTCAD_SPEAKER && device != RTCAD_MICROPHONE))
        return false;
    const float gainDb = levelToGainDb(level);
    return m_runner.run([&](const auto &core) {
        if (device == RTCAD_SPEAKER)
            core->setPlaybackGainDb(gainDb);
        else
            core->setMicGainDb(gainDb);
    });
}

void LinphoneSounds::applyLevelsToCall()
{
    // A call's streams start with the playback gain only when it is at least
    // 1 dB away from 0 (liblinphone truncates it to an int to decide): set
    // again, it reaches the running call whatever it is.
    if (const auto &core = m_runner.core(); core && core->getCurrentCall())
        core->setPlaybackGainDb(core->getPlaybackGainDb());
}

void LinphoneSounds::useFilesForAudio(const QString &playWav, const QString &recordWav)
{
    m_playFile = playWav;
    m_recordFile = recordWav;
    applyFiles();
}

void LinphoneSounds::applyFiles()
{
    if (m_playFile.isEmpty())
        return;
    const std::string play = LinphoneCoreRunner::localPath(m_playFile);
    const std::string record = LinphoneCoreRunner::localPath(m_recordFile);
    m_runner.run([&](const auto &core) {
        core->setUseFiles(true);
        core->setPlayFile(play);
        core->setRecordFile(record);
    });
}

bool LinphoneSounds::hasSoundDevices() const
{
    bool has = false;
    m_runner.run([&has](const auto &core) {
        if (core->getUseFiles()) {
            has = true;
            return;
        }
        // The core picks its default devices among those it found at start;
        // with no sound card (nor sound server) it has none, or only a name
        // that can neither record nor play.
        using Capability = linphone::AudioDevice::Capabilities;
        const auto capture = core->getDefaultInputAudioDevice();
        const auto playback = core->getDefaultOutputAudioDevice();
        has = capture && capture->hasCapability(Capability::CapabilityRecord) && playback
            && playback->hasCapability(Capability::CapabilityPlay);
    });
    return has;
}

} // namespace ralu
