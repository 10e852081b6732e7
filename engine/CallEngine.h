// The call engine: the logic of Ralu's main window without the window. It owns
// the RTC client's use, the registration state, the current call, the status
// line and the other texts of the main window, and the main window's timers.
// The window is a view over it; tests drive it with a fake client.
#pragma once

#include "engine/AppState.h"
#include "engine/CallClock.h"
#include "engine/MessageBoxes.h"
#include "engine/RtcClient.h"

#include <QObject>
#include <QString>
#include <QTimer>
#include <functional>
#include <map>
#include <memory>
#include <vector>

namespace ralu {

class CallEngine : public QObject {
    Q_OBJECT
public:
    // client may be null: no SIP stack could be loaded. Nothing is created or
    // connected until initializeRTC().
    CallEngine(AppState &state, RtcClient *client, MessageBoxes &boxes, QObject *parent = nullptr);

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
    // Returns false when start-up was abandoned in the login window.
    bool finishLoad();

    // Creates and configures the client; stops at the first failing step.
    bool initializeRTC();
    // Builds and enables the provisioning profile from the login values.
    void registerProfile();
    // The login window's request after a successful login.
    void registerAccount() { registerProfile(); }

    // The one entry point for the client's events.
    void onRtcEvent(RtcEventType type, const RtcEvent &event);
    void registrationStateChanged(const RtcEvent &event);
    void sessionStateChanged(const RtcEvent &event);

    // The tray menu's Exit: ends a live call, shuts the client down and asks
    // the program to end (exitRequested).
    void exitProgram();

    // ---- main window operations ----
    void setIdleControls();
    void setInCallControls();
    void focusNumberBox() { emit focusNumberBoxRequested(); }
    // Appends to the call history: kinds 2 dialed, 1 received, 0 missed.
    void addRecentCall(const QString &number, int kind)
    {
        if (m_addRecentCall)
            m_addRecentCall(number, kind);
    }

    // ---- state read by the windows and tests ----
    const QString &statusText() const { return m_status; }
    void setStatusText(const QString &text);
    const QString &accountLabel() const { return m_accountLabel; }
    const QString &balanceText() const { return m_balance; }
    void setBalanceText(const QString &text);
    const QString &numberText() const { return m_number; }
    void setNumberText(const QString &text);
    const QString &callTimeText() const { return m_callTime; }
    void setCallTimeText(const QString &text);
    const QString &accountTimeText() const { return m_accountTime; }
    void setAccountTimeText(const QString &text);

    const QString &regState() const { return m_regState; }
    const QString &sipServer() const { return m_sipServer; }
    const QString &xmlProfile() const { return m_xmlProfile; }
    const std::shared_ptr<RtcProfile> &profile() const { return m_profile; }
    RtcClient *client() const { return m_clientReady ? m_client : nullptr; }

    const std::shared_ptr<RtcSession> &session() const { return m_session; }
    const std::shared_ptr<RtcParticipant> &participant() const { return m_participant; }
    void setSession(std::shared_ptr<RtcSession> s) { m_session = std::move(s); }
    void setParticipant(std::shared_ptr<RtcParticipant> p) { m_participant = std::move(p); }
    int incoming() const { return m_incoming; }
    bool calling() const { return m_calling; }
    const QString &callerNumber() const { return m_callerNo; }
    bool inCallControls() const { return m_inCallControls; }
    bool loginButtonsEnabled() const { return m_loginButtonsEnabled; }
    bool missedIndicatorShown() const { return m_missedShown; }
    bool missedFrameRed() const { return m_missedFrameRed; }

    QTimer &ringTimer() { return m_ring; }
    QTimer &flashTimer() { return m_flash; }
    QTimer &missedBlinkTimer() { return m_missedBlink; }
    QTimer &readyTimer() { return m_ready; }
    QTimer &connectedTimer() { return m_connected; }

    // Timer ticks, public so that tests can drive them.
    void ringTick();
    void readyTick();
    void missedBlinkTick();
    void connectedTimerTick();

    // The elapsed call time and the account time left; the credit-time query
    // sets the latter.
    CallClock &callClock() { return m_clock; }

    // The missed-call indicator was clicked.
    void acknowledgeMissedCalls();

    // True while a billing query waits for its reply. A timer tick or an exit
    // request arriving meanwhile is not handled inside the query: it runs
    // from the event loop right after the query (once per timer however often
    // it fired; not at all if its timer was stopped in between), and the
    // client's events are held until then, so no handler ever runs in the
    // middle of another.
    bool queryWaiting() const { return m_queryDepth > 0; }

    // User part of a SIP address: sip:201@host gives 201.
    static QString userPart(const QString &address);

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
    void flashWindowRequested();
    void restoreFromTrayRequested();
    void exitRequested();

private:
    bool isCurrent(const std::shared_ptr<RtcSession> &session) const;
    void offerNotTaken(const std::shared_ptr<RtcSession> &session);
    void untakenOfferEnded(const std::shared_ptr<RtcSession> &session);
    void connected();
    void disconnected();
    void setAccountLabel(const QString &text);
    void setLoginButtonsEnabled(bool enabled);
    void setMissedIndicator(bool shown);
    void updateBalance();

    enum class Deferred { Ring, Flash, MissedBlink, Ready, Connected, Exit };
    void runQuery(const std::function<void()> &query);
    void timerFired(Deferred what);
    void runNow(Deferred what);
    void runDeferred();

    AppState &m_state;
    RtcClient *m_client;
    MessageBoxes &m_boxes;
    bool m_clientReady = false;

    std::function<void()> m_updateBalance;
    std::function<void()> m_queryCreditTime;
    std::function<void(const QString &, int)> m_addRecentCall;

    QString m_status;
    QString m_accountLabel;
    QString m_balance;
    QString m_number;
    QString m_callTime;
    QString m_accountTime;

    QString m_regState = QStringLiteral("NOTREGISTERED");
    QString m_sipServer;
    QString m_xmlProfile;
    RtcProvisioning *m_provisioning = nullptr;
    std::shared_ptr<RtcProfile> m_profile;

    std::shared_ptr<RtcSession> m_session;
    std::shared_ptr<RtcParticipant> m_participant;
    int m_incoming = 0;
    bool m_calling = false;
    QString m_callerNo;
    // Offers that were not taken as the current call (a call was connected,
    // or a later offer replaced them), with their own caller numbers.
    std::map<RtcSession *, std::pair<std::shared_ptr<RtcSession>, QString>> m_untakenOffers;

    bool m_inCallControls = false;
    bool m_loginButtonsEnabled = true;
    bool m_missedShown = false;
    bool m_missedFrameRed = true;

    QTimer m_ring;
    QTimer m_flash;
    QTimer m_missedBlink;
    QTimer m_ready;
    QTimer m_connected;
    CallClock m_clock;

    bool m_exitRequested = false; // start-up must not go on after an exit
    int m_queryDepth = 0;
    std::vector<Deferred> m_deferred; // in the order they first arrived
    bool m_deferredScheduled = false;
};

} // namespace ralu
