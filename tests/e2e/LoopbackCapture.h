// A tshark capture on lo, from construction to stop(), and what is read back
// from it: the RFC 2833 telephone events, the times of chosen packets.
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
    // When each packet a display filter picks was captured, in seconds since
    // the epoch (the wall clock), in order. Stops the capture.
    QList<double> times(const QString &displayFilter);
    // The TCP payload bytes of the packets a display filter picks, one after
    // another. Stops the capture.
    QByteArray tcpPayload(const QString &displayFilter);

private:
    // event id, end of event, UDP destination port, SSRC, RTP time stamp.
    QList<QStringList> rows();
    // The fields of each packet the display filter picks, SIP on 5060.
    QList<QStringList> fields(
        const QString &displayFilter, const QStringList &names, const QStringList &options);

    QTemporaryDir m_dir;
    QString m_file;
    QProcess m_process;
    QString m_log;
    bool m_started = false;
};

} // namespace ralu::e2e
