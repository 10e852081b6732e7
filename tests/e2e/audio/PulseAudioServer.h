// A PulseAudio daemon of the test's own, in a temporary folder (its HOME,
// runtime folder and socket), with two devices and nothing else:
//   "speaker"  a null sink, the default sink: what Ralu plays is read back
//              from its monitor;
//   "mic"      a null sink that a sine generator plays into; its monitor is
//              the default source, what Ralu captures. (PulseAudio's own
//              sine source delivers in bursts of up to two seconds, which
//              upsets the timing of a call.)
// start() points this process's PulseAudio clients at it (PULSE_SERVER),
// ALSA's pulse plugin included; do so before the first sound device is opened.
#pragma once

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

namespace ralu::e2e {

class PulseAudioServer {
public:
    static constexpr int kRate = 8000; // both devices: mono, 16-bit (the sink), float (the source)

    explicit PulseAudioServer(int micToneHz);
    ~PulseAudioServer();

    // Starts the daemon and waits until it answers; false (see log()) if not.
    bool start();
    QString server() const { return QStringLiteral("unix:") + m_socket; }
    QString log() const;

    // Raw PCM (16-bit little-endian mono at kRate) of the speaker's monitor,
    // recorded while the event loop runs for ms.
    QByteArray recordSpeaker(int ms);

    // The streams now playing and recording (pactl's sink inputs and source
    // outputs: their device and client), for the messages of failed checks.
    QString streams();

private:
    QString pactl(const QStringList &args);

    int m_micToneHz;
    QTemporaryDir m_dir;
    QString m_socket;
    QProcess m_daemon;
    mutable QString m_log;
};

} // namespace ralu::e2e
