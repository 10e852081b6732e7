// A scriptable RTC client: records every operation and lets a test deliver
// events and make operations fail.
#pragma once

#include "engine/RtcClient.h"

#include <QString>
#include <QStringList>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace ralu::testing {

class FakeParticipant : public RtcParticipant {
public:
    FakeParticipant(std::string uri, std::string name)
        : m_uri(std::move(uri))
        , m_name(std::move(name))
    {
    }
    std::string userUri() const override { return m_uri; }
    std::string name() const override { return m_name; }

private:
    std::string m_uri, m_name;
};

class FakeSession : public RtcSession {
public:
    RtcSessionState currentState = RTCSS_IDLE;
    std::vector<std::shared_ptr<RtcParticipant>> people;
    std::vector<RtcTerminateReason> terminations;
    int answers = 0;
    bool failAnswer = false, failTerminate = false, failAddParticipant = false, failRefer = false;
    std::vector<std::pair<std::string, std::string>> added;
    QStringList control; // "hold", "unhold", "refer sip:..." in order

    RtcSessionState state() const override { return currentState; }
    std::vector<std::shared_ptr<RtcParticipant>> participants() const override { return people; }
    bool answer() override
    {
        ++answers;
        return !failAnswer;
    }
    bool terminate(RtcTerminateReason reason) override
    {
        terminations.push_back(reason);
        return !failTerminate;
    }
    std::shared_ptr<RtcParticipant> addParticipant(
        const std::string &address, const std::string &name) override
    {
        added.emplace_back(address, name);
        if (failAddParticipant)
            return nullptr;
        auto p = std::make_shared<FakeParticipant>(address, name);
        people.push_back(p);
        return p;
    }

    bool hold() override
    {
        control << QStringLiteral("hold");
        return true;
    }
    bool unHold() override
    {
        control << QStringLiteral("unhold");
        return true;
    }
    bool refer(const std::string &uri) override
    {
        control << QStringLiteral("refer ") + QString::fromStdString(uri);
        return !failRefer;
    }

    static std::shared_ptr<FakeSession> offeredBy(const std::string &uri)
    {
        auto s = std::make_shared<FakeSession>();
        s->currentState = RTCSS_INCOMING;
        s->people.push_back(std::make_shared<FakeParticipant>(uri, ""));
        return s;
    }
};

class FakeProfile : public RtcProfile {
public:
    explicit FakeProfile(std::string xml)
        : m_xml(std::move(xml))
    {
    }
    std::string xml() const override { return m_xml; }

private:
    std::string m_xml;
};

class FakeRtcClient : public RtcClient, public RtcProvisioning {
public:
    // Operations in the order they were made, e.g. "initialize", "setEventFilter 39".
    QStringList calls;
    std::set<std::string> failing; // names of operations that fail
    RtcEventHandler handler;
    bool initialized = false;
    std::string startFailureText; // why initialize() failed
    std::vector<std::shared_ptr<FakeProfile>> profiles;
    std::vector<std::pair<std::shared_ptr<RtcProfile>, long>> enabled;
    std::vector<std::shared_ptr<FakeSession>> createdSessions;
    std::vector<RtcDtmf> dtmf;
    int rings = 0;
    std::map<RtcAudioDevice, long> volumes { { RTCAD_SPEAKER, 32768 }, { RTCAD_MICROPHONE, 32768 } };
    // Sound devices by direction, the ones in use, and what the set-up did.
    std::map<RtcAudioDevice, std::vector<RtcSoundDevice>> devices;
    std::map<RtcAudioDevice, std::string> chosen;
    int testTones = 0;
    bool meterRunning = false;
    double meterLevel = 0.0;

    bool fails(const char *op)
    {
        calls << QString::fromLatin1(op);
        return failing.count(op) > 0;
    }

    std::string startFailure() const override { return startFailureText; }
    bool initialize() override
    {
        if (fails("initialize"))
            return false;
        initialized = true;
        return true;
    }
    bool setEventFilter(long filter) override
    {
        calls << QStringLiteral("filter %1").arg(filter);
        return !failing.count("setEventFilter");
    }
    bool setEventHandler(RtcEventHandler h) override
    {
        if (fails("setEventHandler"))
            return false;
        handler = std::move(h);
        return true;
    }
    bool setListenForIncomingSessions(RtcListenMode mode) override
    {
        calls << QStringLiteral("listen %1").arg(mode);
        return !failing.count("setListenForIncomingSessions");
    }
    bool setPreferredMediaTypes(long types, bool persistent) override
    {
        calls << QStringLiteral("media %1 %2").arg(types).arg(persistent);
        return !failing.count("setPreferredMediaTypes");
    }
    RtcProvisioning *provisioning() override { return initialized ? this : nullptr; }
    std::shared_ptr<RtcProfile> createProfile(const std::string &xml) override
    {
        if (fails("createProfile"))
            return nullptr;
        auto p = std::make_shared<FakeProfile>(xml);
        profiles.push_back(p);
        return p;
    }
    bool enableProfile(const std::shared_ptr<RtcProfile> &profile, long flags) override
    {
        if (fails("enableProfile"))
            return false;
        enabled.emplace_back(profile, flags);
        return true;
    }
    std::shared_ptr<RtcSession> createSession(RtcSessionType type, const std::string *local,
        const std::shared_ptr<RtcProfile> &profile, long flags) override
    {
        calls << QStringLiteral("createSession %1 %2 %3")
                     .arg(type)
                     .arg(local ? QString::fromStdString(*local) : QStringLiteral("null"))
                     .arg(flags);
        if (failing.count("createSession") || !profile)
            return nullptr;
        auto s = std::make_shared<FakeSession>();
        createdSessions.push_back(s);
        return s;
    }
    bool getVolume(RtcAudioDevice device, long *level) override
    {
        if (fails("getVolume"))
            return false;
        *level = volumes[device];
        return true;
    }
    bool putVolume(RtcAudioDevice device, long level) override
    {
        if (fails("putVolume"))
            return false;
        volumes[device] = level;
        return true;
    }
    bool playRing(RtcRingType, bool play) override
    {
        if (fails("playRing"))
            return false;
        if (play)
            ++rings;
        return true;
    }
    bool sendDTMF(RtcDtmf digit) override
    {
        if (fails("sendDTMF"))
            return false;
        dtmf.push_back(digit);
        return true;
    }
    bool invokeTuningWizard(unsigned long long) override { return !fails("invokeTuningWizard"); }
    // Asked apart from the operations: no operation list changes with it.
    bool soundDevices = true;
    int soundQueries = 0;
    bool hasSoundDevices() override
    {
        ++soundQueries;
        return initialized && soundDevices;
    }
    std::vector<RtcSoundDevice> availableSoundDevices(RtcAudioDevice direction) override
    {
        if (fails("availableSoundDevices"))
            return {};
        return devices[direction];
    }
    std::string soundDevice(RtcAudioDevice direction) override { return chosen[direction]; }
    bool setSoundDevice(RtcAudioDevice direction, const std::string &id) override
    {
        calls << QStringLiteral("setSoundDevice %1 %2").arg(direction).arg(QString::fromStdString(id));
        if (failing.count("setSoundDevice"))
            return false;
        for (const RtcSoundDevice &d : devices[direction])
            if (d.id == id) {
                chosen[direction] = id;
                return true;
            }
        return false;
    }
    bool playTestTone() override
    {
        if (fails("playTestTone"))
            return false;
        ++testTones;
        return true;
    }
    bool startInputMeter() override
    {
        if (fails("startInputMeter"))
            return false;
        meterRunning = true;
        return true;
    }
    bool inputMeterLevel(double *level) override
    {
        if (!meterRunning)
            return false;
        *level = meterLevel;
        return true;
    }
    void stopInputMeter() override
    {
        calls << QStringLiteral("stopInputMeter");
        meterRunning = false;
    }
    bool shutdown() override { return !fails("shutdown"); }

    // ---- delivering events ----
    void registration(RtcRegistrationState state)
    {
        RtcEvent e;
        e.type = RTCE_REGISTRATION_STATE_CHANGE;
        e.registrationState = state;
        handler(e.type, e);
    }
    void session(const std::shared_ptr<FakeSession> &s, RtcSessionState state, RtcCallEnd end = RTCCE_NONE)
    {
        if (s)
            s->currentState = state;
        RtcEvent e;
        e.type = RTCE_SESSION_STATE_CHANGE;
        e.sessionState = state;
        e.session = s;
        e.callEnd = end;
        handler(e.type, e);
    }
    // Our hold (local) or the far end's.
    void hold(const std::shared_ptr<FakeSession> &s, bool local)
    {
        RtcEvent e;
        e.type = RTCE_SESSION_STATE_CHANGE;
        e.sessionState = s->currentState = RTCSS_HOLD;
        e.session = s;
        e.localHold = local;
        handler(e.type, e);
    }
    void referStatus(const std::shared_ptr<FakeSession> &s, RtcSessionReferStatus status)
    {
        RtcEvent e;
        e.type = RTCE_SESSION_REFER_STATUS;
        e.session = s;
        e.referStatus = status;
        handler(e.type, e);
    }
    // A call from uri, offered and then connected.
    std::shared_ptr<FakeSession> connectedCallFrom(const std::string &uri)
    {
        auto s = FakeSession::offeredBy(uri);
        session(s, RTCSS_INCOMING);
        session(s, RTCSS_CONNECTED);
        return s;
    }
};

} // namespace ralu::testing
