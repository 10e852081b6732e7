#include "ConsolePeer.h"

#include "E2eSupport.h"
#include "audio/WavePcm.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>

#include <cmath>

namespace ralu::e2e {

namespace {

constexpr int kToneSeconds = 60; // longer than any call of the tests
constexpr double kToneAmplitude = 0.5; // -6 dBFS peak, -9 dBFS RMS
constexpr int kStartMs = 10000;

} // namespace

ConsolePeer::ConsolePeer(const QString &name, PeerSetup setup)
    : m_setup(std::move(setup))
    , m_dir(QDir::tempPath() + QStringLiteral("/e2e-%1-XXXXXX").arg(name))
{
}

ConsolePeer::~ConsolePeer()
{
    stop();
}

bool ConsolePeer::writeFile(const QString &name, const QByteArray &bytes) const
{
    QFile file(m_dir.filePath(name));
    return m_dir.isValid() && file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QString ConsolePeer::toneFile()
{
    const QString name = QStringLiteral("tone.wav");
    if (QFile::exists(filePath(name)))
        return filePath(name);
    QByteArray samples;
    const int n = kRate * kToneSeconds;
    samples.reserve(n * 2);
    for (int i = 0; i < n; ++i) {
        const auto v
            = qint16(std::lround(kToneAmplitude * 32767 * std::sin(2 * M_PI * m_setup.toneHz * i / kRate)));
        samples.append(char(quint16(v) & 0xff)).append(char(quint16(v) >> 8));
    }
    return writeFile(name, waveFileBytes(WaveFormat { 1, quint32(kRate), 16 }, samples)) ? filePath(name)
                                                                                         : QString();
}

bool ConsolePeer::launch(const QString &program, const QStringList &args, const QString &readyPattern)
{
    m_process.setWorkingDirectory(m_dir.path());
    m_process.setProcessChannelMode(QProcess::MergedChannels);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), folder()); // its other files
    m_process.setProcessEnvironment(env);
    endWithTest(m_process);
    m_process.start(program, args);
    if (!m_process.waitForStarted(5000)) {
        m_log += program + QStringLiteral(" did not start: ") + m_process.errorString();
        return false;
    }
    return waitUntil(
               [&] {
                   return m_process.state() == QProcess::NotRunning
                       || QRegularExpression(readyPattern).match(log()).hasMatch();
               },
               kStartMs)
        && m_process.state() != QProcess::NotRunning;
}

void ConsolePeer::stop()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.terminate(); // SIGTERM to its pid: it ends its calls and closes its files
    if (!m_process.waitForFinished(5000)) {
        m_process.kill();
        m_process.waitForFinished(2000);
    }
    log();
}

QString ConsolePeer::log() const
{
    m_log += QString::fromLocal8Bit(const_cast<QProcess &>(m_process).readAll());
    return m_log;
}

void ConsolePeer::command(const QString &line)
{
    m_process.write((line + QLatin1Char('\n')).toLocal8Bit());
}

void ConsolePeer::act(QString PeerDialect::*command, const QString &argument)
{
    const QString line = dialect().*command;
    this->command(line.contains(QLatin1String("%1")) ? line.arg(argument) : line);
}

bool ConsolePeer::expect(QString PeerDialect::*report, int ms)
{
    const QRegularExpression re(dialect().*report);
    return waitUntil(
        [&] {
            const auto match = re.match(log(), m_cursor);
            if (match.hasMatch())
                m_cursor = int(match.capturedEnd());
            return match.hasMatch();
        },
        ms);
}

QString ConsolePeer::captures(const QString &pattern) const
{
    QString out;
    for (auto it = QRegularExpression(pattern).globalMatch(log()); it.hasNext();)
        out += it.next().captured(1);
    return out;
}

} // namespace ralu::e2e
