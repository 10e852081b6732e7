#include "LinphonecFarEnd.h"

#include "E2eSupport.h"

namespace ralu::e2e {

namespace {

// The codecs linphonec enables unless its configuration says otherwise, and
// G.722: each is written enabled or not, in the order asked.
const QStringList kCodecs { "opus/48000/2", "speex/16000/1", "speex/8000/1", "PCMU/8000/1", "PCMA/8000/1",
    "G722/8000/1", "G729/8000/1" };

QString codecSections(const QStringList &wanted)
{
    QStringList ordered;
    for (const QString &name : wanted)
        for (const QString &codec : kCodecs)
            if (codec.section(QLatin1Char('/'), 0, 0) == name)
                ordered << codec;
    for (const QString &codec : kCodecs)
        if (!ordered.contains(codec))
            ordered << codec;
    QString out;
    for (int i = 0; i < ordered.size(); ++i) {
        const QStringList parts = ordered[i].split(QLatin1Char('/'));
        out += QStringLiteral("[audio_codec_%1]\nmime=%2\nrate=%3\nchannels=%4\nenabled=%5\n")
                   .arg(i)
                   .arg(parts[0], parts[1], parts[2])
                   .arg(wanted.contains(parts[0]) ? 1 : 0);
    }
    return out;
}

} // namespace

LinphonecFarEnd::LinphonecFarEnd(PeerSetup setup)
    : ConsolePeer(QStringLiteral("linphonec"), std::move(setup))
{
}

const PeerDialect &LinphonecFarEnd::dialect() const
{
    static const PeerDialect d { "call sip:%1@127.0.0.1", "answer", "terminate", "pause", "resume", "%1",
        "transfer %1", "Receiving new incoming call from", "Media streams established with",
        "Call \\d+ with .* ended", "Call \\d+ with .* error", "Receiving tone (.) from" };
    return d;
}

bool LinphonecFarEnd::start()
{
    const QString tone = toneFile();
    const QString config
        = QStringLiteral("[sip]\nsip_port=%1\nsip_tcp_port=0\nsip_tls_port=0\n"
                         "auto_net_state_mon=0\nregister_only_when_network_is_up=0\n"
                         "default_proxy=0\n"
                         "[rtp]\naudio_rtp_port=%2-%3\nvideo_rtp_port=0\n"
                         "[sound]\nremote_ring=\nlocal_ring=\ntone_indications=0\n"
                         "[video]\ncapture=0\ndisplay=0\nautomatically_initiate=0\n"
                         "automatically_accept=0\n"
                         "[storage]\nuri=null\ncall_logs_db_uri=null\nzrtp_secrets_db_uri=null\n"
                         "[proxy_0]\nreg_proxy=<sip:127.0.0.1;transport=udp>\n"
                         "reg_identity=<sip:%4@127.0.0.1>\nreg_expires=600\n"
                         "reg_sendregister=1\npublish=0\n"
                         "[auth_info_0]\nusername=%4\npasswd=%5\nrealm=127.0.0.1\n"
                         "domain=127.0.0.1\n")
              .arg(m_setup.sipPort)
              .arg(m_setup.rtpPort)
              .arg(m_setup.rtpPort + 9)
              .arg(m_setup.user, m_setup.password)
        + codecSections(m_setup.codecs);
    if (tone.isEmpty() || !writeFile(QStringLiteral("linphonerc"), config.toUtf8()))
        return false;
    // It says nothing of its registration: the provider's log does.
    ProviderLog provider;
    const QString from = QStringLiteral("127.0.0.1:%1").arg(m_setup.sipPort);
    const bool launched = launch(QStringLiteral("linphonec"),
        { "-c", filePath(QStringLiteral("linphonerc")) }, QStringLiteral("linphonec> "));
    if (!launched)
        return false;
    command(QStringLiteral("soundcard use files"));
    command(QStringLiteral("play ") + tone);
    if (m_setup.autoAnswer)
        command(QStringLiteral("autoanswer enable"));
    return waitUntil([&] { return provider.registered(from); }, 10000);
}

} // namespace ralu::e2e
