#include "LoopbackCapture.h"

#include "E2eSupport.h"

#include <csignal>

namespace ralu::e2e {

LoopbackCapture::LoopbackCapture(const QString &filter)
{
    m_file = m_dir.filePath(QStringLiteral("lo.pcapng"));
    m_process.setProcessChannelMode(QProcess::SeparateChannels);
    endWithTest(m_process);
    m_process.start(QStringLiteral("tshark"), { "-i", "lo", "-f", filter, "-w", m_file });
    m_started = m_process.waitForStarted(5000);
    // tshark says so on stderr once the capture runs.
    m_started = m_started
        && waitUntil(
            [&] {
                m_log += QString::fromLocal8Bit(m_process.readAllStandardError());
                return m_log.contains(QStringLiteral("Capturing on"));
            },
            10000);
    pump(200);
}

LoopbackCapture::~LoopbackCapture()
{
    stop();
}

void LoopbackCapture::stop()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    pump(300); // the last packets reach the capture
    ::kill(static_cast<pid_t>(m_process.processId()), SIGINT);
    if (!m_process.waitForFinished(10000)) {
        m_process.kill();
        m_process.waitForFinished(2000);
    }
    m_log += QString::fromLocal8Bit(m_process.readAllStandardError());
}

QStringList LoopbackCapture::eventsTo(int port)
{
    stop();
    QStringList events, keys;
    for (const QStringList &row : rows()) {
        if (row.value(2) != QString::number(port))
            continue;
        const QString key = row.value(3) + QLatin1Char('/') + row.value(4);
        int at = keys.indexOf(key);
        if (at < 0) {
            keys << key;
            events << row.value(0);
            at = keys.size() - 1;
        }
        const bool end = row.value(1) == QLatin1String("1") || row.value(1) == QLatin1String("True");
        if (end && !events[at].endsWith(QLatin1String("+end")))
            events[at] += QStringLiteral("+end");
    }
    return events;
}

int LoopbackCapture::eventPackets()
{
    stop();
    return int(rows().size());
}

QList<QStringList> LoopbackCapture::rows()
{
    QProcess read;
    read.start(QStringLiteral("tshark"),
        { "-r", m_file, "-d", "udp.port==5060,sip", "-o", "rtp.heuristic_rtp:TRUE", "-Y", "rtpevent", "-T",
            "fields", "-e", "rtpevent.event_id", "-e", "rtpevent.end_of_event", "-e", "udp.dstport", "-e",
            "rtp.ssrc", "-e", "rtp.timestamp" });
    read.waitForFinished(30000);
    m_log += QString::fromLocal8Bit(read.readAllStandardError());
    QList<QStringList> out;
    for (const QString &line :
        QString::fromLocal8Bit(read.readAllStandardOutput()).split(QLatin1Char('\n'))) {
        if (!line.trimmed().isEmpty())
            out << line.split(QLatin1Char('\t'));
    }
    return out;
}

} // namespace ralu::e2e
