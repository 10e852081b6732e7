// A tshark capture on lo, from construction to stop(), and the RFC 2833
// telephone events read back from it.
#pragma once

#include <QList>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

namespace ralu::e2e {

class LoopbackCapture {
public:
    // filter: a capture filter ("udp port 5060 or ...").
    explicit LoopbackCapture(const QString &filter);
    ~LoopbackCapture();

    bool started() const { return m_started; }
    QString log() const { return m_log; }

    // Ends the capture (SIGINT to tshark's process, as Ctrl-C would).
    void stop();

    // Telephone events sent to a UDP port: one entry per event (its packets
    // share an RTP time stamp), the event number, "+end" when an
    // end-of-event packet was seen. Stops the capture.
    QStringList eventsTo(int port);
    // Every telephone-event packet in either direction. Stops the capture.
    int eventPackets();

private:
    // event id, end of event, UDP destination port, SSRC, RTP time stamp.
    QList<QStringList> rows();

    QTemporaryDir m_dir;
    QString m_file;
    QProcess m_process;
    QString m_log;
    bool m_started = false;
};

} // namespace ralu::e2e
