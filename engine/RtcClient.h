// Real-time communications client: the SIP user agent behind Ralu.
//
// The rest of the program talks to SIP only through this interface. Its
// operations, event numbers and state numbers are those of the RTC client API
// the program was designed around, so the call engine reads the same way
// whatever user agent stands behind it. Two implementations exist: the
// liblinphone adapter (LinphoneRtcClient) and a scriptable fake for tests.
//
// Failures: every operation reports success with its return value (false or
// a null pointer on failure). Nothing throws.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace ralu {

// Event numbers (RTC_EVENT).
enum RtcEventType {
    RTCE_CLIENT = 0,
    RTCE_REGISTRATION_STATE_CHANGE = 1,
    RTCE_SESSION_STATE_CHANGE = 2,
    RTCE_SESSION_OPERATION_COMPLETE = 3,
    RTCE_PARTICIPANT_STATE_CHANGE = 4,
    RTCE_MEDIA = 5,
    RTCE_SESSION_REFER_STATUS = 19,
};

// Event filter bits (RTC_EVENT_FILTER).
enum RtcEventFilter : long {
    RTCEF_CLIENT = 0x1,
    RTCEF_REGISTRATION_STATE_CHANGE = 0x2,
    RTCEF_SESSION_STATE_CHANGE = 0x4,
    RTCEF_SESSION_OPERATION_COMPLETE = 0x8,
    RTCEF_PARTICIPANT_STATE_CHANGE = 0x10,
    RTCEF_MEDIA = 0x20,
    RTCEF_SESSION_REFER_STATUS = 0x100000,
};

// Registration states (RTC_REGISTRATION_STATE).
enum RtcRegistrationState {
    RTCRS_NOT_REGISTERED = 0,
    RTCRS_REGISTERING = 1,
    RTCRS_REGISTERED = 2,
    RTCRS_REJECTED = 3,
    RTCRS_UNREGISTERING = 4,
    RTCRS_ERROR = 5,
    RTCRS_LOGGED_OFF = 6,
    RTCRS_LOCAL_PA_LOGGED_OFF = 7,
    RTCRS_REMOTE_PA_LOGGED_OFF = 8,
};

// Session states (RTC_SESSION_STATE).
enum RtcSessionState {
    RTCSS_IDLE = 0,
    RTCSS_INCOMING = 1,
    RTCSS_ANSWERING = 2,
    RTCSS_INPROGRESS = 3,
    RTCSS_CONNECTED = 4,
    RTCSS_DISCONNECTED = 5,
    RTCSS_HOLD = 6,
    RTCSS_REFER = 7,
};

// How a transfer the session asked for goes (RTC_SESSION_REFER_STATUS).
enum RtcSessionReferStatus {
    RTCSRS_REFERRING = 0, // the request is out
    RTCSRS_ACCEPTED = 1, // the far end took it and is placing the call
    RTCSRS_ERROR = 2, // the far end's call to the target failed
    RTCSRS_REJECTED = 3, // the far end refused the request
    RTCSRS_DROPPED = 4,
    RTCSRS_DONE = 5, // the far end reached the target
};

// Reasons for ending a session (RTC_TERMINATE_REASON).
enum RtcTerminateReason {
    RTCTR_NORMAL = 0,
    RTCTR_DND = 1,
    RTCTR_BUSY = 2,
    RTCTR_REJECT = 3,
    RTCTR_TIMEOUT = 4,
    RTCTR_SHUTDOWN = 5,
};

// Why a session ended without a normal hang-up (RTCSS_DISCONNECTED events):
// the client sorts its protocol's answers into these, so the engine can
// tell the user without reading status texts.
enum RtcCallEnd {
    RTCCE_NONE = 0, // a normal end: hung up, cancelled, refused by us
    RTCCE_BUSY, // 486, 600
    RTCCE_DECLINED, // 603, or the far end refused the call
    RTCCE_NOT_FOUND, // 404, 484, 604: no such number
    RTCCE_UNAVAILABLE, // 480, 410, 503 and the like: not reachable now
    RTCCE_NO_ANSWER, // 408, or nobody answered in time
    RTCCE_NO_CODEC, // 488, 606, 415: no common codec
    RTCCE_NETWORK, // no answer at all, or a transport failure
    RTCCE_OTHER, // any other failure
};

// Audio devices whose level can be read and set (RTC_AUDIO_DEVICE).
enum RtcAudioDevice {
    RTCAD_SPEAKER = 0,
    RTCAD_MICROPHONE = 1,
};

// Touch tones (RTC_DTMF).
enum RtcDtmf {
    RTC_DTMF_0 = 0,
    RTC_DTMF_1,
    RTC_DTMF_2,
    RTC_DTMF_3,
    RTC_DTMF_4,
    RTC_DTMF_5,
    RTC_DTMF_6,
    RTC_DTMF_7,
    RTC_DTMF_8,
    RTC_DTMF_9,
    RTC_DTMF_STAR = 10,
    RTC_DTMF_POUND = 11,
    RTC_DTMF_A = 12,
    RTC_DTMF_B,
    RTC_DTMF_C,
    RTC_DTMF_D,
    RTC_DTMF_FLASH = 16,
};

// Session types (RTC_SESSION_TYPE).
enum RtcSessionType {
    RTCST_PC_TO_PC = 0,
    RTCST_PC_TO_PHONE = 1,
    RTCST_PHONE_TO_PHONE = 2,
    RTCST_IM = 3,
};

// Session creation flags.
enum RtcCreateSessionFlags : long { RTCCS_FORCE_PROFILE = 0x1 };

// Ring types (RTC_RING_TYPE).
enum RtcRingType { RTCRT_PHONE = 0, RTCRT_MESSAGE = 1, RTCRT_RINGBACK = 2 };

// Listen modes (RTC_LISTEN_MODE).
enum RtcListenMode { RTCLM_NONE = 0, RTCLM_DYNAMIC = 1, RTCLM_BOTH = 2 };

// Media types.
enum RtcMediaType : long { RTCMT_AUDIO_SEND = 0x1, RTCMT_AUDIO_RECEIVE = 0x2 };

// Profile registration flags.
enum RtcRegisterFlags : long {
    RTCRF_REGISTER_INVITE_SESSIONS = 0x1,
    RTCRF_REGISTER_MESSAGE_SESSIONS = 0x2,
    RTCRF_REGISTER_PRESENCE = 0x4,
};

// Volume range of get/putVolume.
constexpr long RTC_VOLUME_MAX = 65535;

// A sound device the client can capture from or play to.
struct RtcSoundDevice {
    std::string id; // the client's own name for it, the one its settings keep
    std::string name; // for people
};

class RtcParticipant {
public:
    virtual ~RtcParticipant() = default;
    // The participant's address, "sip:" user "@" host.
    virtual std::string userUri() const = 0;
    virtual std::string name() const = 0;
};

class RtcSession {
public:
    virtual ~RtcSession() = default;
    virtual RtcSessionState state() const = 0;
    virtual std::vector<std::shared_ptr<RtcParticipant>> participants() const = 0;
    virtual bool answer() = 0;
    virtual bool terminate(RtcTerminateReason reason) = 0;
    // Adds the called party; for a PC-to-phone session this places the call.
    virtual std::shared_ptr<RtcParticipant> addParticipant(
        const std::string &address, const std::string &name)
        = 0;
    // Call control of a connected session: hold (the far end hears nothing
    // and is told so), unhold, and a blind transfer of the far end to
    // referToUri (RTCE_SESSION_REFER_STATUS events tell how it goes). False
    // when the request could not be made; the outcome comes as events.
    virtual bool hold() = 0;
    virtual bool unHold() = 0;
    virtual bool refer(const std::string &referToUri) = 0;
};

// An account made from a provisioning profile text.
class RtcProfile {
public:
    virtual ~RtcProfile() = default;
    virtual std::string xml() const = 0;
};

class RtcProvisioning {
public:
    virtual ~RtcProvisioning() = default;
    // Reads a provisioning profile text; null when the text is refused.
    virtual std::shared_ptr<RtcProfile> createProfile(const std::string &xml) = 0;
    // Registers the profile's account; progress arrives as registration events.
    virtual bool enableProfile(const std::shared_ptr<RtcProfile> &profile, long registerFlags) = 0;
};

// Event payloads. Exactly one of the typed parts is meaningful, by event number.
struct RtcEvent {
    RtcEventType type = RTCE_CLIENT;
    // RTCE_REGISTRATION_STATE_CHANGE
    RtcRegistrationState registrationState = RTCRS_NOT_REGISTERED;
    // RTCE_SESSION_STATE_CHANGE
    RtcSessionState sessionState = RTCSS_IDLE;
    std::shared_ptr<RtcSession> session;
    // Protocol status code behind a state change (0 when none), and its text.
    int statusCode = 0;
    std::string statusText;
    // RTCSS_DISCONNECTED: why the session ended.
    RtcCallEnd callEnd = RTCCE_NONE;
    // RTCSS_HOLD: this side held the session (false: the far end did).
    bool localHold = false;
    // RTCE_SESSION_REFER_STATUS (session, statusCode and statusText too).
    RtcSessionReferStatus referStatus = RTCSRS_REFERRING;
    // RTCE_MEDIA
    int mediaEventType = 0;
    long mediaType = 0;
};

using RtcEventHandler = std::function<void(RtcEventType, const RtcEvent &)>;

class RtcClient {
public:
    virtual ~RtcClient() = default;

    virtual bool initialize() = 0;
    // Why initialize() failed, for the user ("the folder /x is not
    // writable"); empty when it did not, or when the client cannot tell.
    virtual std::string startFailure() const { return {}; }
    virtual bool setEventFilter(long filter) = 0;
    // Connects the one event handler. Events reach it one at a time, on the
    // thread that runs the Qt event loop, never while it is still handling one.
    virtual bool setEventHandler(RtcEventHandler handler) = 0;
    virtual bool setListenForIncomingSessions(RtcListenMode mode) = 0;
    virtual bool setPreferredMediaTypes(long mediaTypes, bool persistent) = 0;

    // Null until the client is initialised.
    virtual RtcProvisioning *provisioning() = 0;

    virtual std::shared_ptr<RtcSession> createSession(RtcSessionType type, const std::string *localPhoneUri,
        const std::shared_ptr<RtcProfile> &profile, long flags)
        = 0;

    // Levels 0..RTC_VOLUME_MAX.
    virtual bool getVolume(RtcAudioDevice device, long *level) = 0;
    virtual bool putVolume(RtcAudioDevice device, long level) = 0;

    // Plays one ring (play = true) or stops it (play = false).
    virtual bool playRing(RtcRingType type, bool play) = 0;
    // Sends a touch tone into the current call.
    virtual bool sendDTMF(RtcDtmf digit) = 0;
    // Opens the audio set-up; parentWindow is the native window id (0: none).
    virtual bool invokeTuningWizard(unsigned long long parentWindow) = 0;

    // Whether calls can have sound: the client has a device to capture from
    // and one to play to (or files stand in for them). Asked once the client
    // is initialised; false before.
    virtual bool hasSoundDevices() = 0;

    // ---- the audio set-up's devices; RTCAD_MICROPHONE is capture,
    // RTCAD_SPEAKER playback ----
    virtual std::vector<RtcSoundDevice> availableSoundDevices(RtcAudioDevice direction) = 0;
    // The id of the device in use, "" when there is none.
    virtual std::string soundDevice(RtcAudioDevice direction) = 0;
    // Uses the device from now on (the call under way, the next calls) and
    // keeps the choice for the next run.
    virtual bool setSoundDevice(RtcAudioDevice direction, const std::string &id) = 0;
    // Plays a short tone on the playback device in use.
    virtual bool playTestTone() = 0;
    // A level meter on the capture device in use: started, read as often as
    // wanted (0 silence to 1 full scale), stopped.
    virtual bool startInputMeter() = 0;
    virtual bool inputMeterLevel(double *level) = 0;
    virtual void stopInputMeter() = 0;

    virtual bool shutdown() = 0;
};

} // namespace ralu
