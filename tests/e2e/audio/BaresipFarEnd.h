// The far end of a call on the telephone network side of the local provider
// (UDP 127.0.0.1:5070, where the provider sends calls to numbers that are
// not accounts): baresip with a configuration of its own in a temporary
// folder. It answers at once, sends a sine tone from a WAVE file (its
// aufile source), plays into ALSA's null device and keeps what it received
// (its sndfile filter writes the decoded audio of each call into a file).
// Started and ended by process id.
#pragma once

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

namespace ralu::e2e {

class BaresipFarEnd {
public:
    static constexpr int kRate = 8000;

    // number: the user part calls arrive for; toneHz: what it sends.
    BaresipFarEnd(const QString &number, int toneHz);
    ~BaresipFarEnd();

    // Starts baresip and waits until it is ready; false (see log()) if not.
    bool start();
    // Ends baresip (SIGTERM), which also closes the recording.
    void stop();
    QString log() const;

    // Digits of the telephone events it received, in order, one per event.
    QString receivedDigits() const;
    // The samples it received in the one call recorded, 16-bit mono at
    // kRate (empty when there is no such file or it is not 16-bit mono PCM).
    QByteArray receivedPcm() const;
    QString recordingFolder() const { return m_dir.filePath(QStringLiteral("rec")); }

private:
    QString m_number;
    int m_toneHz;
    QTemporaryDir m_dir;
    QProcess m_process;
    mutable QString m_log;
};

} // namespace ralu::e2e
