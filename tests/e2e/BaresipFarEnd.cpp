#include "BaresipFarEnd.h"

#include "audio/WavePcm.h"

#include <QDir>
#include <QFile>

namespace ralu::e2e {

namespace {

// Its account's codec list names a codec with its own rate and channels
// where they are not 8000 and 1.
QString codecList(const QStringList &codecs)
{
    QStringList out;
    for (const QString &codec : codecs)
        out << (codec == QLatin1String("G722")   ? QStringLiteral("G722/16000/1")
                : codec == QLatin1String("opus") ? QStringLiteral("opus/48000/2")
                                                 : codec);
    return out.join(QLatin1Char(','));
}

} // namespace

BaresipFarEnd::BaresipFarEnd(PeerSetup setup)
    : ConsolePeer(QStringLiteral("baresip"), std::move(setup))
{
}

const PeerDialect &BaresipFarEnd::dialect() const
{
    static const PeerDialect d { "/dial sip:%1@127.0.0.1", "/accept", "/hangup", "/hold", "/resume",
        "/sndcode %1", "/transfer %1", "Incoming call from", "Call established",
        "session closed: Connection reset by peer", "session closed: 486",
        "received event: '(.)' \\(end=0\\)", true };
    return d;
}

bool BaresipFarEnd::start()
{
    const QString tone = toneFile();
    if (tone.isEmpty() || !QDir().mkpath(recordingFolder()))
        return false;
    // Sound at 8 kHz mono both ways, whatever the codec; the address is named: baresip takes its own
    // from the default route, which a host with only loopback up does not
    // have.
    const QString config = QStringLiteral("net_interface\t\t127.0.0.1\n"
                                          "sip_listen\t\t127.0.0.1:%1\n"
                                          "sip_transports\t\tudp\n"
                                          "rtp_ports\t\t%2-%3\n"
                                          "audio_source\t\taufile,%4\n"
                                          "audio_player\t\talsa,null\n"
                                          "audio_alert\t\talsa,null\n"
                                          "ausrc_srate\t\t%5\n"
                                          "auplay_srate\t\t%5\n"
                                          "ausrc_channels\t\t1\n"
                                          "auplay_channels\t\t1\n"
                                          "snd_path\t\t%6\n"
                                          "module_path\t\t/usr/lib/baresip/modules\n"
                                          "module\t\t\tstdio.so\n"
                                          "module\t\t\tg711.so\n"
                                          "module\t\t\tg722.so\n"
                                          "module\t\t\topus.so\n"
                                          "module\t\t\taufile.so\n"
                                          "module\t\t\talsa.so\n"
                                          "module\t\t\tsndfile.so\n"
                                          "module_app\t\taccount.so\n"
                                          "module_app\t\tmenu.so\n")
                               .arg(m_setup.sipPort)
                               .arg(m_setup.rtpPort)
                               .arg(m_setup.rtpPort + 9)
                               .arg(tone)
                               .arg(kRate)
                               .arg(recordingFolder());
    const bool registers = !m_setup.password.isEmpty();
    const QString account
        = QStringLiteral("<sip:%1@127.0.0.1;transport=udp>;%2;audio_codecs=%3;answermode=%4\n")
              .arg(m_setup.user,
                  registers ? QStringLiteral("auth_pass=%1;regint=600").arg(m_setup.password)
                            : QStringLiteral("regint=0"),
                  codecList(m_setup.codecs),
                  m_setup.autoAnswer ? QStringLiteral("auto") : QStringLiteral("manual"));
    if (!writeFile(QStringLiteral("config"), config.toUtf8())
        || !writeFile(QStringLiteral("accounts"), account.toUtf8()))
        return false;
    return launch(QStringLiteral("baresip"), { "-f", folder() },
        registers ? QStringLiteral("registered successfully") : QStringLiteral("baresip is ready"));
}

QString BaresipFarEnd::receivedDigits() const
{
    return captures(dialect().tone);
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
