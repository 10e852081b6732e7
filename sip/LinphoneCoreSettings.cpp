#include "sip/LinphoneCoreSettings.h"

#include "sip/LinphoneAccount.h"
#include "sip/LinphoneCoreRunner.h"

#include <linphone++/linphone.hh>

#include <QCoreApplication>

#include <string>

namespace ralu {

namespace {

constexpr int kSipTransportDontBind = -2; // LC_SIP_TRANSPORT_DONTBIND
constexpr const char *kPulseDriver = "PulseAudio";

bool has(linphone::AudioDevice::Capabilities caps, linphone::AudioDevice::Capabilities bit)
{
    return (int(caps) & int(bit)) != 0;
}

} // namespace

void prepareCoreConfig(const std::shared_ptr<linphone::Config> &config)
{
    // Accounts and credentials of an earlier run: the application enables
    // its profile itself.
    for (const std::string &section : config->getSectionsNamesList()) {
        if (section.rfind("proxy_", 0) == 0 || section.rfind("auth_info_", 0) == 0
            || section.rfind("call_log_", 0) == 0)
            config->cleanSection(section);
    }
    config->setInt("sip", "auto_net_state_mon", 0); // the application says when the network is up
    config->setInt("sip", "store_auth_info", 0); // passwords stay in memory
    // A failed registration is tried again after this long (liblinphone's
    // default is a minute).
    config->setInt("sip", "refresher_retry_after", LinphoneAccount::retryAfterMs());
    config->setInt("sound", "tone_indications", 0); // no call-waiting / on-hold / end beeps
    // No history kept by liblinphone (the application keeps its own): no
    // main database (chat, call logs, conference info), no legacy call-log
    // database, no ZRTP cache, no call logs in linphonerc.
    config->setString("storage", "uri", "null");
    config->setString("storage", "call_logs_db_uri", "null");
    config->setString("storage", "zrtp_secrets_db_uri", "null");
    config->setInt("misc", "history_max_size", 0);
    config->setInt("net", "friendlist_subscription_enabled", 0);
}

// Everything set on the core before it starts.
void configureCore(const std::shared_ptr<linphone::Core> &core)
{
    auto factory = linphone::Factory::get();
    const QString version = QCoreApplication::applicationVersion();
    core->setUserAgent("Ralu", version.isEmpty() ? std::string("0") : version.toStdString());

    // SIP over UDP only, and with the provider only: no listening socket.
    // Each request goes out on a socket of its own connected to its
    // destination (a random local port, bound to the address that reaches
    // it), so the kernel hands it nothing but that peer's datagrams: a
    // request sent straight to Ralu by anyone else is dropped (the sender
    // gets an ICMP port unreachable) before liblinphone sees it, and never
    // rings. Calls come through the provider, to the registered contact.
    auto transports = factory->createTransports();
    // A port fixed when Ralu is built is a listening socket on that port.
    const int sipPort = LinphoneCoreRunner::sipPort();
    transports->setUdpPort(sipPort > 0 ? sipPort : kSipTransportDontBind);
    transports->setTcpPort(0);
    transports->setTlsPort(0);
    transports->setDtlsPort(0);
    core->setTransports(transports);
    const auto rtp = LinphoneCoreRunner::rtpPorts();
    if (rtp.first > 0)
        core->setAudioPortRange(rtp.first, rtp.second);
    else
        core->setAudioPort(-1); // random RTP port
    core->removeSupportedTag("gruu"); // a GRUU contact loses the ACK/BYE of incoming calls

    // Nothing audible unless the application asks for it.
    core->setRing("");
    core->setRingback("");
    core->setRemoteRingbackTone("");
    core->setRingDuringIncomingEarlyMedia(false);
    for (int r = int(linphone::Reason::None); r <= int(linphone::Reason::Transferred); ++r)
        core->setCallErrorTone(linphone::Reason(r), "");

    // Audio calls only.
    auto videoPolicy = factory->createVideoActivationPolicy();
    videoPolicy->setAutomaticallyAccept(false);
    videoPolicy->setAutomaticallyInitiate(false);
    core->setVideoActivationPolicy(videoPolicy);
    core->enableVideoCapture(false);
    core->enableVideoDisplay(false);
    core->enableVideoPreview(false);

    // Touch tones as RFC 2833 telephone events.
    core->setUseRfc2833ForDtmf(true);
    core->setUseInfoForDtmf(false);

    // Nothing the application did not ask for: no presence, no friend
    // list subscriptions, no instant messages (refused with 488), no
    // liblinphone-side ring timeout (the application decides how long an
    // incoming call rings). Liblinphone never answers by itself.
    core->enableFriendListSubscription(false);
    core->disableChat(linphone::Reason::NotAcceptable);
    core->setIncTimeout(24 * 3600);

    core->setNetworkReachable(true);
}

// Sound: one sound system both ways. Left alone, mediastreamer2 captures
// through ALSA's default device (which on a desktop is PulseAudio again,
// through ALSA's pulse plugin) and plays through PulseAudio: two paths into
// the same sound server, the ALSA one with its own buffering and
// conversions. PulseAudio for capture, playback and the ring when it is
// there; ALSA's choice otherwise.
//
// Codecs: a PC-to-phone provider hands calls to telephone gateways, which
// speak G.711: PCMU, then PCMA (and telephone-event for touch tones),
// nothing else offered. The wide-band codecs
// (opus, speex) would only cost CPU (encoding, and resampling to and from
// the gateway's 8 kHz) for a telephone line that cannot carry them.
void configureMedia(const std::shared_ptr<linphone::Core> &core)
{
    using Caps = linphone::AudioDevice::Capabilities;
    std::shared_ptr<linphone::AudioDevice> input;
    std::shared_ptr<linphone::AudioDevice> output;
    for (const auto &device : core->getExtendedAudioDevices()) {
        if (device->getDriverName() != kPulseDriver)
            continue;
        if (!input && has(device->getCapabilities(), Caps::CapabilityRecord))
            input = device;
        if (!output && has(device->getCapabilities(), Caps::CapabilityPlay))
            output = device;
    }
    if (input) {
        core->setDefaultInputAudioDevice(input);
        core->setCaptureDevice(input->getId());
    }
    if (output) {
        core->setDefaultOutputAudioDevice(output);
        core->setPlaybackDevice(output->getId());
        core->setRingerDevice(output->getId());
    }

    // Enabled and disabled in place: liblinphone's own order already puts
    // PCMU before PCMA, and reordering the list would renumber the dynamic
    // payload types (telephone-event is 101 in liblinphone's list, which
    // gateways that answer with a fixed SDP expect).
    for (const auto &type : core->getAudioPayloadTypes()) {
        const std::string mime = type->getMimeType();
        const bool wanted
            = type->getClockRate() == 8000 && (mime == "PCMU" || mime == "PCMA" || mime == "telephone-event");
        type->enable(wanted);
    }
}

} // namespace ralu
