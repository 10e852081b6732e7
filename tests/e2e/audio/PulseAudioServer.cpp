#include "PulseAudioServer.h"

#include "../E2eSupport.h"

#include <QDir>
#include <QFile>
#include <QProcessEnvironment>

namespace ralu::e2e {

namespace {

constexpr int kStartMs = 10000;

QProcessEnvironment clientEnvironment(const QString &server)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("PULSE_SERVER"), server);
    return env;
}

void endProcess(QProcess &p)
{
    if (p.state() == QProcess::NotRunning)
        return;
    p.terminate(); // SIGTERM to its pid
    if (!p.waitForFinished(5000)) {
        p.kill();
        p.waitForFinished(2000);
    }
}

} // namespace

PulseAudioServer::PulseAudioServer(int micToneHz)
    : m_micToneHz(micToneHz)
    , m_dir(QDir::tempPath() + QStringLiteral("/audioe2e-pulse-XXXXXX"))
{
    m_socket = m_dir.filePath(QStringLiteral("native"));
}

PulseAudioServer::~PulseAudioServer()
{
    endProcess(m_daemon);
}

bool PulseAudioServer::start()
{
    if (!m_dir.isValid())
        return false;
    const QString home = m_dir.filePath(QStringLiteral("home"));
    const QString runtime = m_dir.filePath(QStringLiteral("run"));
    QDir().mkpath(home);
    QDir().mkpath(runtime);
    QFile::setPermissions(runtime, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);

    const QString script = m_dir.filePath(QStringLiteral("default.pa"));
    QFile file(script);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(QStringLiteral("load-module module-null-sink sink_name=speaker rate=%1 channels=1\n"
                              "load-module module-null-sink sink_name=mic rate=%1 channels=1\n"
                              "load-module module-sine sink=mic frequency=%2\n"
                              "load-module module-native-protocol-unix auth-anonymous=1 socket=%3\n"
                              "set-default-sink speaker\n"
                              "set-default-source mic.monitor\n")
                   .arg(kRate)
                   .arg(m_micToneHz)
                   .arg(m_socket)
                   .toUtf8());
    file.close();

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), home);
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);
    env.remove(QStringLiteral("PULSE_SERVER"));
    m_daemon.setProcessEnvironment(env);
    m_daemon.setWorkingDirectory(m_dir.path());
    m_daemon.setProcessChannelMode(QProcess::MergedChannels);
    m_daemon.start(QStringLiteral("pulseaudio"),
        { "-n", "-F", script, "--daemonize=no", "--use-pid-file=no", "--exit-idle-time=-1", "--disallow-exit",
            "--log-target=stderr", "--log-level=notice" });
    if (!m_daemon.waitForStarted(kStartMs)) {
        m_log += QStringLiteral("pulseaudio did not start: ") + m_daemon.errorString();
        return false;
    }
    const bool answers = waitUntil(
        [&] {
            if (m_daemon.state() == QProcess::NotRunning)
                return true;
            return QFile::exists(m_socket)
                && pactl({ "info" }).contains(QLatin1String("Default Sink: speaker"));
        },
        kStartMs);
    if (!answers || m_daemon.state() == QProcess::NotRunning)
        return false;
    qputenv("PULSE_SERVER", server().toUtf8());
    return true;
}

QString PulseAudioServer::log() const
{
    m_log += QString::fromLocal8Bit(const_cast<QProcess &>(m_daemon).readAll());
    return m_log;
}

QString PulseAudioServer::pactl(const QStringList &args)
{
    QProcess p;
    p.setProcessEnvironment(clientEnvironment(server()));
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(QStringLiteral("pactl"), args);
    if (!p.waitForFinished(5000)) {
        p.kill();
        p.waitForFinished(1000);
    }
    return QString::fromLocal8Bit(p.readAll());
}

QString PulseAudioServer::streams()
{
    QStringList out;
    for (const char *kind : { "sink-inputs", "source-outputs" }) {
        QStringList names;
        for (const QString &line : pactl({ "list", QString::fromLatin1(kind) }).split(QLatin1Char('\n'))) {
            if (line.contains(QLatin1String("application.name")) || line.contains(QLatin1String("Sink:"))
                || line.contains(QLatin1String("Source:")))
                names << line.trimmed();
        }
        out << QString::fromLatin1(kind) + QStringLiteral(": ") + names.join(QStringLiteral("; "));
    }
    return out.join(QLatin1Char('\n'));
}

QByteArray PulseAudioServer::recordSpeaker(int ms)
{
    QProcess parec;
    parec.setProcessEnvironment(clientEnvironment(server()));
    parec.start(QStringLiteral("parec"),
        { "-d", "speaker.monitor", "--raw", "--format=s16le", "--channels=1",
            QStringLiteral("--rate=%1").arg(kRate), "--latency-msec=20" });
    if (!parec.waitForStarted(5000))
        return QByteArray();
    QByteArray pcm;
    waitUntil(
        [&] {
            pcm += parec.readAllStandardOutput();
            return pcm.size() >= qsizetype(kRate) * 2 * ms / 1000;
        },
        ms + 3000);
    endProcess(parec);
    return pcm.left(qsizetype(kRate) * 2 * ms / 1000);
}

} // namespace ralu::e2e
