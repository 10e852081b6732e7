#include "sip/LinphoneCoreSettings.h"

#include "sip/LinphoneAccount.h"
#include "sip/LinphoneCoreRunner.h"

#include <linphone++/linphone.hh>

#include <QCoreApplication>

#include <list>
#include <string>

namespace ralu {

namespace {

constexpr int kSipTransportDontBind = -2; // LC_SIP_TRANSPORT_DONTBIND
constexpr const char *kPulseDriver = "PulseAudio";
constexpr int kAudioJitterMs = 30;

bool has(linphone::AudioDevice::Capabilities caps, linphone::AudioDevice::Capabilities bit)
{
    return (int(caps) & int(bit)) != 0;
}

void configureCodecs(const std::shared_ptr<linphone::Core> &core);

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
    // A far end's transfer request never places a call by itself (the SIP
    // edge refuses REFER before the stack sees it; this is the second lock).
    config->setInt("sip", "auto_accept_refer", 0);
    config->setInt("sip", "store_auth_info", 0); // passwords stay in memory
    // A failed registration is tried again after this long (liblinphone's
    // default is a minute).
    config->setInt("sip", "refresher_retry_after", LinphoneAccount::retryAfterMs());
    config->setInt("sound", "tone_indications", 0); // no call-waiting / on-hold / end beeps
    // The jitter buffer starts at 30 ms, not liblinphone's 60, and grows by
    // itself when the network jitters (adaptive, liblinphone's default): the
    // far end is heard about 25 ms sooner, and under loss and jitter the
    // sound was neither clearly better nor worse (bench/sound.sh). The echo
    // canceller stays on: without it the far end was heard some 300 ms later.
    config->setInt("rtp", "audio_jitt_comp", kAudioJitterMs);
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

    // SIP over UDP only. The stack makes a socket for each peer and
    // connects it there; the SIP edge (SipEdge) relays those sockets
    // through its one public socket (the fixed port Ralu was built with, or
    // a random one) and decides what reaches the stack: calls come from the
    // provider only, to the registered contact.
    auto transports = factory->createTransports();
    transports->setUdpPort(kSipTransportDontBind);
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

    configureCodecs(core);
}

namespace {

// Codecs: a PC-to-phone provider hands calls to telephone gateways, which
// speak G.711, so PCMU then PCMA lead the offer and win with any peer that
// has them. Behind them the wide-band codecs, for a peer that has no G.711
// (a softphone limited to opus or G.722 would otherwise get 488): opus,
// then G.722. Speex, G.729, GSM and the rest stay off: no peer is limited to
// them, and every offered codec is one more the far end may pick.
//
// Payload numbers: liblinphone numbers every offer anew, in list order:
// codecs without a number of their own (opus) take the first free dynamic
// numbers from 96, then the first telephone-event (the first codec's
// 8000 Hz) takes the next free one, and a second one (opus's 48000 Hz) takes
// [misc] telephone_event_pt, 101. With G.711 alone the telephone-event for
// touch tones went out as 96; opus gets a fixed number above them so that it
// stays 96, and a peer answering with a number of its own (RFC 3264) is
// followed either way.
void configureCodecs(const std::shared_ptr<linphone::Core> &core)
{
    struct Wanted {
        const char *mime;
        int rate;
        int number; // -1: liblinphone's
    };
    static const Wanted kOffered[]
        = { { "PCMU", 8000, -1 }, { "PCMA", 8000, -1 }, { "opus", 48000, 111 }, { "G722", 8000, -1 } };
    std::list<std::shared_ptr<linphone::PayloadType>> ordered;
    auto rest = core->getAudioPayloadTypes();
    for (const Wanted &w : kOffered) {
        for (auto it = rest.begin(); it != rest.end(); ++it) {
            if ((*it)->getMimeType() != w.mime || (*it)->getClockRate() != w.rate)
                continue;
            (*it)->enable(true);
            if (w.number >= 0)
                (*it)->setNumber(w.number);
            ordered.push_back(*it);
            rest.erase(it);
            break;
        }
    }
    for (const auto &type : rest) {
        type->enable(false);
        ordered.push_back(type);
    }
    core->setAudioPayloadTypes(ordered);
}

} // namespace

} // namespace ralu
