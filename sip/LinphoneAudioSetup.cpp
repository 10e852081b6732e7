#include "sip/LinphoneAudioSetup.h"

#include "audio/WavePcm.h"
#include "sip/LinphoneCoreRunner.h"

#include <linphone++/linphone.hh>

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>
#include <cmath>

namespace ralu {

namespace {

constexpr const char *kToneFileName = "test-tone.wav";
constexpr const char *kMeterFileName = "input-meter.wav";
constexpr qint64 kMeterRestartMs = 60 * 1000;
constexpr qint64 kRelistMs = 2000;

// The test tone: 1 kHz for 0.6 s at half scale, 20 ms fades, then 0.5 s of
// silence so that PulseAudio plays the whole tone before the stream closes.
constexpr int kToneRate = 8000;
constexpr int kToneMs = 600;
constexpr int kToneTailMs = 500;
constexpr int kToneFadeMs = 20;

using linphone::AudioDevice;

AudioDevice::Capabilities capabilityOf(RtcAudioDevice direction)
{
    return direction == RTCAD_MICROPHONE ? AudioDevice::Capabilities::CapabilityRecord
                                         : AudioDevice::Capabilities::CapabilityPlay;
}

std::shared_ptr<AudioDevice> findDevice(
    const std::shared_ptr<linphone::Core> &core, RtcAudioDevice direction, const std::string &id)
{
    for (const auto &device : core->getExtendedAudioDevices())
        if (device->getId() == id && device->hasCapability(capabilityOf(direction)))
            return device;
    return nullptr;
}

} // namespace

LinphoneAudioSetup::LinphoneAudioSetup(LinphoneCoreRunner &runner)
    : m_runner(runner)
{
}

LinphoneAudioSetup::~LinphoneAudioSetup()
{
    release();
}

bool LinphoneAudioSetup::withCore(const std::function<void(const CorePtr &)> &job) const
{
    return m_runner.run(job); // the core lives on its own thread
}

std::vector<RtcSoundDevice> LinphoneAudioSetup::devices(RtcAudioDevice direction) const
{
    std::vector<RtcSoundDevice> list;
    withCore([&](const CorePtr &core) {
        // A headset plugged in since the start shows up; not while a call
        // holds its cards, and once for the two lists of one window.
        if (!core->getCurrentCall() && (!m_listed.isValid() || m_listed.elapsed() > kRelistMs)) {
            core->reloadSoundDevices();
            m_listed.start();
        }
        // The extended list: the plain one is empty with PulseAudio.
        for (const auto &device : core->getExtendedAudioDevices())
            if (device->hasCapability(capabilityOf(direction)))
                list.push_back(
                    { device->getId(), device->getDeviceName() + " (" + device->getDriverName() + ")" });
    });
    return list;
}

std::string LinphoneAudioSetup::device(RtcAudioDevice direction) const
{
    std::string id;
    withCore([&](const CorePtr &core) {
        id = direction == RTCAD_MICROPHONE ? core->getCaptureDevice() : core->getPlaybackDevice();
    });
    return id;
}

bool LinphoneAudioSetup::setDevice(RtcAudioDevice direction, const std::string &id)
{
    bool used = false;
    withCore([&](const CorePtr &core) {
        const std::shared_ptr<AudioDevice> device = findDevice(core, direction, id);
        if (!device)
            return;
        // The default devices are what new calls open and what linphonerc
        // keeps; a call under way moves to the device at once.
        if (direction == RTCAD_MICROPHONE) {
            core->setDefaultInputAudioDevice(device);
            if (core->getCurrentCall())
                core->setInputAudioDevice(device);
            used = core->getCaptureDevice() == id;
            return;
        }
        core->setDefaultOutputAudioDevice(device);
        if (core->getCurrentCall())
            core->setOutputAudioDevice(device);
        // The ring and the key tones come out of the same device as the call.
        core->setRingerDevice(id);
        used = core->getPlaybackDevice() == id;
    });
    if (used && direction == RTCAD_MICROPHONE && m_metering) { // the meter follows the new microphone
        stopInputMeter();
        startInputMeter();
    }
    return used;
}

bool LinphoneAudioSetup::writeToneFile() const
{
    const int tone = kToneRate * kToneMs / 1000;
    const int total = tone + kToneRate * kToneTailMs / 1000;
    const int fade = kToneRate * kToneFadeMs / 1000;
    const QString path = m_runner.stateFile(kToneFileName);
    if (QFileInfo(path).size() == qint64(44 + 2 * total))
        return true;
    QByteArray samples(2 * total, '\0');
    for (int i = 0; i < tone; ++i) {
        const double envelope = std::min({ 1.0, double(i) / fade, double(tone - 1 - i) / fade });
        const auto v
            = qint16(std::lround(0.5 * 32767.0 * envelope * std::sin(2 * M_PI * 1000.0 * i / kToneRate)));
        samples[2 * i] = char(quint16(v) & 0xff);
        samples[2 * i + 1] = char(quint16(v) >> 8);
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(waveFileBytes(WaveFormat { 1, kToneRate, 16 }, samples));
    return file.commit();
}

bool LinphoneAudioSetup::playTestTone()
{
    if (!writeToneFile())
        return false;
    const std::string file = LinphoneCoreRunner::localPath(m_runner.stateFile(kToneFileName));
    bool playing = false;
    withCore([&](const CorePtr &core) {
        if (m_player)
            m_player->close(); // a second press starts the tone again
        m_player = core->createLocalPlayer(core->getPlaybackDevice(), "", nullptr);
        if (!m_player)
            return;
        playing = m_player->open(file) == 0 && m_player->start() == 0;
        if (!playing)
            m_player = nullptr;
    });
    return playing;
}

bool LinphoneAudioSetup::openRecorder()
{
    const QString file = m_runner.stateFile(kMeterFileName);
    bool recording = false;
    withCore([&](const CorePtr &core) {
        auto params = core->createRecorderParams();
        params->setFileFormat(linphone::RecorderFileFormat::Wav);
        if (const auto device = findDevice(core, RTCAD_MICROPHONE, core->getCaptureDevice()))
            params->setAudioDevice(device);
        m_recorder = core->createRecorder(params);
        if (!m_recorder)
            return;
        recording = m_recorder->open(LinphoneCoreRunner::localPath(file)) == 0 && m_recorder->start() == 0;
        if (!recording)
            closeRecorder();
    });
    if (!recording) {
        QFile::remove(file);
        return false;
    }
    m_metering = true;
    m_recording.start();
    return true;
}

void LinphoneAudioSetup::closeRecorder()
{
    if (!m_recorder)
        return;
    m_recorder->close();
    m_recorder = nullptr; // released here, on the core thread
}

bool LinphoneAudioSetup::startInputMeter()
{
    return m_metering || openRecorder();
}

bool LinphoneAudioSetup::inputMeterLevel(double *level)
{
    if (!m_metering || !level)
        return false;
    float volume = 0;
    if (!withCore([&](const CorePtr &) { volume = m_recorder ? m_recorder->getCaptureVolume() : 0.0f; }))
        return false;
    if (m_recording.elapsed() > kMeterRestartMs) {
        stopInputMeter();
        if (!openRecorder())
            return false;
    }
    *level = std::isfinite(volume) ? std::clamp(double(volume), 0.0, 1.0) : 0.0;
    return true;
}

void LinphoneAudioSetup::stopInputMeter()
{
    if (!m_metering)
        return;
    withCore([&](const CorePtr &) { closeRecorder(); });
    m_metering = false;
    QFile::remove(m_runner.stateFile(kMeterFileName));
}

void LinphoneAudioSetup::release()
{
    stopInputMeter();
    withCore([&](const CorePtr &) {
        if (m_player)
            m_player->close();
        m_player = nullptr;
    });
}

} // namespace ralu
