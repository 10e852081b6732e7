// The call engine: the logic of Ralu's main window without the window. It
// owns the RTC client's use, the registration, the one current call and the
// main window's timers, and produces the texts the window shows. Nobody else
// touches the session: dialing, answering, hanging up and touch tones go
// through the operations below. Decisions read the typed states, never texts.
#pragma once

#include "engine/AppState.h"
#include "engine/CallClock.h"
#include "engine/CallStates.h"
#include "engine/PendingReady.h"
#include "engine/RtcClient.h"
#include "engine/TickDeferral.h"

#include <QObject>
#include <QString>
#include <QTimer>
#include <functional>
#include <map>
#include <memory>

namespace ralu {

class CallEngine : public QObject {
    Q_OBJECT
public:
    // client may be null: no SIP stack could be loaded. Nothing is created or
    // connected until initializeRTC().
    CallEngine(AppState &state, RtcClient *client, QObject *parent = nullptr);

    // ---- outside services, wired by the composition root ----
    // The billing queries. They may wait for the server in a nested event
    // loop; meanwhile the client's events and the engine's timer ticks wait
    // and follow once the query is over (see queryWaiting()).
    void setUpdateBalance(std::function<void()> f) { m_updateBalance = std::move(f); }
    void setQueryCreditTime(std::function<void()> f) { m_queryCreditTime = std::move(f); }
    // Call history: (number, kind) with kinds 2 dialed, 1 received, 0 missed.
    void setAddRecentCall(std::function<void(const QString &, int)> f) { m_addRecentCall = std::move(f); }

    // ---- start-up ----
    // The engine's part of loading the main window, before the login step.
    void prepareLoad();
    // After the login step: the balance, the client, the registration.
    // False when start-up was abandoned (login window left, or exit asked).
    bool finishLoad();
    // Creates and configures the client; stops at the first failing step.
    bool initializeRTC();
    // Builds and enables the provisioning profile from the login values.
    void registerProfile();
    // The login window's request after a successful login.
    void registerAccount() { registerProfile(); }

    // The one entry point for the client's events.
    void onRtcEvent(RtcEventType type, const RtcEvent &event);

    // ---- the call ----
    // Places a call to sip:number@server. A call still ringing in is first
    // declined as busy and logged missed. False, with "Call failed" shown and
    // the controls idle, when the client would not place it; false and
    // nothing done while a call is live.
    bool dial(const QString &number);
    // Answers the call ringing in; nothing otherwise.
    void answer();
    // Rejects a call ringing in as busy, ends any other current call.
    void hangUp();
    // Sends a touch tone into a connected call. False (nothing sent) when no
    // call is connected: the caller then plays the tone locally.
    bool sendTone(RtcDtmf digit);
    // The audio set-up of the SIP stack, over the given native window.
    void openAudioSetup(unsigned long long windowId);
    // The client's own sound levels, 0 to 65535; false without a client or
    // when the client fails.
    bool audioLevel(RtcAudioDevice device, long *level);
    bool setAudioLevel(RtcAudioDevice device, long level);
    // The tray menu's Exit: ends a current call, shuts the client down and
    // asks the program to end (exitRequested).
    void exitProgram();

    // ---- main window operations ----
    void setIdleControls();
    void setInCallControls();
    void focusNumberBox() { emit focusNumberBoxRequested(); }
    void setStatusText(const QString &text);
    void setBalanceText(const QString &text);
    void setNumberText(const QString &text);
    // The missed-call indicator was clicked.
    void acknowledgeMissedCalls();

    // ---- states ----
    RegistrationState registrationState() const { return m_regState; }
    CallState callState() const { return m_callState; }
    bool callLive() const { return isLive(m_callState); }
    // 1 while a call rings in or is being answered, until it is logged.
    int incoming() const { return m_callState == CallState::Ringing || m_callState == CallState::Answering; }
    // An outgoing call reached the in-progress state and has not ended.
    bool calling() const { return m_calling; }
    bool hasCurrentCall() const { return m_session != nullptr; }
    // For identity checks only.
    const RtcSession *currentSession() const { return m_session.get(); }
    bool hasParticipant() const { return m_participant != nullptr; }
    const QString &callerNumber() const { return m_callerNo; }
    const QString &sipServer() const { return m_sipServer; }
    const QString &xmlProfile() const { return m_xmlProfile; }
    bool hasProfile() const { return m_profile != nullptr; }
    bool inCallControls() const { return m_inCallControls; }
    bool loginButtonsEnabled() const { return m_loginButtonsEnabled; }
    bool missedIndicatorShown() const { return m_missedShown; }
    bool missedFrameRed() const { return m_missedFrameRed; }
    bool isRunning(EngineTimer timer) const;
    int intervalOf(EngineTimer timer) const;
    // True while a billing query waits for its reply.
    bool queryWaiting() const { return m_deferral.waiting(); }

    // ---- texts, output only ----
    const QString &statusText() const { return m_status; }
    const QString &accountLabel() const { return m_accountLabel; }
    const QString &balanceText() const { return m_balance; }
    const QString &numberText() const { return m_number; }
    const QString &callTimeText() const { return m_callTime; }
    const QString &accountTimeText() const { return m_accountTime; }

    // The elapsed call time and the account time left; the credit-time query
    // sets the latter.
    CallClock &callClock() { return m_clock; }

signals:
    void statusTextChanged(const QString &text);
    void accountLabelChanged(const QString &text);
    void balanceTextChanged(const QString &text);
    void numberTextChanged(const QString &text);
    void callTimeTextChanged(const QString &text);
    void accountTimeTextChanged(const QString &text);
    void controlsChanged(bool inCall);
    void loginButtonsEnabledChanged(bool enabled);
    void missedIndicatorChanged(bool shown, bool red);
    void focusNumberBoxRequested();
    // Each tick of the flash while a call is offered inverts the window's
    // attention hint; flashStopped ends it (the hint is then cleared).
    void flashWindowRequested();
    void flashStopped();
    void restoreFromTrayRequested();
    void exitRequested();

private:
    friend class CallEngineTestAccess;

    RtcClient *client() const { return m_clientReady ? m_client : nullptr; }
    void addRecentCall(const QString &number, int kind);
    void stopFlash();
    void registrationStateChanged(const RtcEvent &event);
    void sessionStateChanged(const RtcEvent &event);
    void offered(const std::shared_ptr<RtcSession> &session);
    void declineOffer(const std::shared_ptr<RtcSession> &session, const QString &number);
    void declineRingingCall();
    void untakenOfferEnded(const std::shared_ptr<RtcSession> &session);
    void connected();
    void disconnected(RtcCallEnd end);
    void setAccountLabel(const QString &text);
    void setCallTimeText(const QString &text);
    void setAccountTimeText(const QString &text);
    void setLoginButtonsEnabled(bool enabled);
    void setMissedIndicator(bool shown);
    void updateBalance();
    void runQuery(const std::function<void()> &query);

    // Timer ticks, and the exit request, by id; Exit has no timer.
    enum Tick { RingTick, FlashTick, MissedBlinkTick, ReadyTick, CallClockTick, ExitTick };
    QTimer &timer(EngineTimer which);
    const QTimer &timer(EngineTimer which) const;
    void runTick(int tick);
    void ringTick();
    // After a call's end: the ready text and an empty number box in ms.
    void startReady(int ms);
    void readyTick();
    void missedBlinkTick();
    void callClockTick();

    AppState &m_state;
    RtcClient *m_client;
    bool m_clientReady = false;
    bool m_exitRequested = false; // start-up must not go on after an exit

    std::function<void()> m_updateBalance;
    std::function<void()> m_queryCreditTime;
    std::function<void(const QString &, int)> m_addRecentCall;

    QString m_status;
    QString m_accountLabel;
    QString m_balance;
    QString m_number;
    QString m_callTime;
    QString m_accountTime;

    RegistrationState m_regState = RegistrationState::NotRegistered;
    QString m_sipServer;
    QString m_xmlProfile;
    std::shared_ptr<RtcProfile> m_profile;

    CallState m_callState = CallState::Idle;
    std::shared_ptr<RtcSession> m_session;
    std::shared_ptr<RtcParticipant> m_participant;
    bool m_calling = false;
    QString m_callerNo;
    // Offers declined without being taken as the current call (a call was
    // under way, or a later offer replaced them), with their own caller
    // numbers: each is logged missed when it ends.
    std::map<const RtcSession *, std::pair<std::shared_ptr<RtcSession>, QString>> m_untakenOffers;

    bool m_inCallControls = false;
    bool m_loginButtonsEnabled = true;
    bool m_missedShown = false;
    bool m_missedFrameRed = true;

    QTimer m_ring;
    QTimer m_flash;
    QTimer m_missedBlink;
    QTimer m_ready;
    PendingReady m_readyDue;
    QTimer m_connected;
    CallClock m_clock;
    TickDeferral m_deferral;
};

} // namespace ralu
