#include "BaresipFarEnd.h"

#include "../E2eSupport.h"
#include "audio/WavePcm.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>

#include <cmath>

namespace ralu::e2e {

namespace {

constexpr int kToneSeconds = 60; // longer than any call of the tests
constexpr double kToneAmplitude = 0.5; // -6 dBFS peak, -9 dBFS RMS

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray toneWave(int hz)
{
    QByteArray samples;
    const int n = BaresipFarEnd::kRate * kToneSeconds;
    samples.reserve(n * 2);
    for (int i = 0; i < n; ++i) {
        const auto v = qint16(
            std::lround(kToneAmplitude * 32767 * std::sin(2 * M_PI * hz * i / BaresipFarEnd::kRate)));
        samples.append(char(quint16(v) & 0xff)).append(char(quint16(v) >> 8));
    }
    return waveFileBytes(WaveFormat { 1, quint32(BaresipFarEnd::kRate), 16 }, samples);
}

} // namespace

BaresipFarEnd::BaresipFarEnd(const QString &number, int toneHz)
    : m_number(number)
    , m_toneHz(toneHz)
    , m_dir(QDir::tempPath() + QStringLiteral("/audioe2e-baresip-XXXXXX"))
{
}

BaresipFarEnd::~BaresipFarEnd()
{
    stop();
}

bool BaresipFarEnd::start()
{
    const QString tone = m_dir.filePath(QStringLiteral("tone.wav"));
    if (!m_dir.isValid() || !QDir().mkpath(recordingFolder()) || !writeFile(tone, toneWave(m_toneHz)))
        return false;
    // G.711 only, at 8 kHz both ways; the SIP and RTP ports of the provider's
    // far end. The address is named: baresip takes its own from the default
    // route, which a host with only loopback up does not have.
    const QString config = QStringLiteral("net_interface\t\t127.0.0.1\n"
                                          "sip_listen\t\t127.0.0.1:5070\n"
                                          "rtp_ports\t\t16000-16009\n"
                                          "audio_source\t\taufile,%1\n"
                                          "audio_player\t\talsa,null\n"
                                          "audio_alert\t\talsa,null\n"
                                          "ausrc_srate\t\t%2\n"
                                          "auplay_srate\t\t%2\n"
                                          "snd_path\t\t%3\n"
                                          "module_path\t\t/usr/lib/baresip/modules\n"
                                          "module\t\t\tg711.so\n"
                                          "module\t\t\taufile.so\n"
                                          "module\t\t\talsa.so\n"
                                          "module\t\t\tsndfile.so\n"
                                          "module_app\t\taccount.so\n")
                               .arg(tone)
                               .arg(kRate)
                               .arg(recordingFolder());
    const QString accounts
        = QStringLiteral("<sip:%1@127.0.0.1>;regint=0;answermode=auto;audio_codecs=PCMU,PCMA\n")
              .arg(m_number);
    if (!writeFile(m_dir.filePath(QStringLiteral("config")), config.toUtf8())
        || !writeFile(m_dir.filePath(QStringLiteral("accounts")), accounts.toUtf8()))
        return false;

    m_process.setWorkingDirectory(m_dir.path());
    m_process.setProcessChannelMode(QProcess::MergedChannels);
    m_process.start(QStringLiteral("baresip"), { "-f", m_dir.path() });
    if (!m_process.waitForStarted(5000)) {
        m_log += QStringLiteral("baresip did not start: ") + m_process.errorString();
        return false;
    }
    return waitUntil(
               [&] {
                   return m_process.state() == QProcess::NotRunning
                       || log().contains(QLatin1String("baresip is ready"));
               },
               10000)
        && m_process.state() != QProcess::NotRunning;
}

void BaresipFarEnd::stop()
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

QString BaresipFarEnd::log() const
{
    m_log += QString::fromLocal8Bit(const_cast<QProcess &>(m_process).readAll());
    return m_log;
}

QString BaresipFarEnd::receivedDigits() const
{
    static const QRegularExpression event(QStringLiteral("received event: '(.)' \\(end=0\\)"));
    QString digits;
    for (auto it = event.globalMatch(log()); it.hasNext();)
        digits += it.next().captured(1);
    return digits;
}

QByteArray BaresipFarEnd::receivedPcm() const
{
    const QStringList files = QDir(recordingFolder()).entryList({ QStringLiteral("*-dec.wav") }, QDir::Files);
    if (files.size() != 1)
        return QByteArray();
    QFile file(QDir(recordingFolder()).filePath(files.first()));
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    const auto wave = readWave(file.readAll());
    if (!wave || wave->format.channels != 1 || wave->format.bitsPerSample != 16
        || wave->format.sampleRate != quint32(kRate))
        return QByteArray();
    return wave->samples;
}

} // namespace ralu::e2e
