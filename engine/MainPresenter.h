// The main window's texts and clocks, without the window: the status line,
// the account and balance labels, the number box, the call time and the
// account's time left, the idle or in-call state of the controls. It
// follows the calls (a CallListener) and the registration, and the window
// shows what its signals carry; texts are output only, never read back for
// a decision.
#pragma once

#include "engine/AppState.h"
#include "engine/CallClock.h"
#include "engine/CallListener.h"
#include "engine/CallStates.h"
#include "engine/PendingReady.h"

#include <QObject>
#include <QString>
#include <QTimer>
#include <optional>

namespace ralu {

class MainPresenter : public QObject, public CallListener {
    Q_OBJECT
public:
    MainPresenter(AppState &state, QObject *parent = nullptr);

    // The start of loading the main window: idle controls, "Not logged in...".
    void prepareLoad();
    // The program ends: no more ticks.
    void stop();

    void setIdleControls();
    void setInCallControls();
    void focusNumberBox() { emit focusNumberBoxRequested(); }
    void setStatusText(const QString &text);
    // The status of a call under way that stays: "Connected" or "On hold".
    void setCallStatus(CallState state);
    // Shown instead of the ready texts while registered and idle (empty:
    // the ready texts), at once when they show.
    void setIdleNotice(const QString &text);
    void setBalanceText(const QString &text);
    void setNumberText(const QString &text);
    // The talk time left of the call connected now: whole seconds from the
    // billing server (those the clock has counted since the connection come
    // off), or nothing without any good reply (what the countdown holds is
    // then split as it is).
    void startTalkTime(std::optional<qint64> seconds);

    void registrationChanged(RegistrationState state);

    // What a window built later starts with.
    const QString &statusText() const { return m_status; }
    const QString &balanceText() const { return m_balance; }
    const QString &numberText() const { return m_number; }

    // ---- CallListener ----
    void callDialed(const QString &number) override;
    void dialFailed() override;
    void callPlaced() override { setInCallControls(); }
    void callOffered(const CallOffer &offer) override;
    void callInProgress() override;
    void callConnected(const ConnectedCall &call) override;
    void callEnded(const CallEnd &end) override;
    void callIdle() override { setStatusText(QStringLiteral("IDLE")); }
    void callHeld() override { setCallStatus(CallState::Held); }
    void callResumed() override { setCallStatus(CallState::Connected); }

signals:
    void statusTextChanged(const QString &text);
    void accountLabelChanged(const QString &text);
    void balanceTextChanged(const QString &text);
    void numberTextChanged(const QString &text);
    void callTimeTextChanged(const QString &text);
    void accountTimeTextChanged(const QString &text);
    void controlsChanged(bool inCall);
    void loginButtonsEnabledChanged(bool enabled);
    void focusNumberBoxRequested();

private:
    friend class CallEngineTestAccess;

    void setAccountLabel(const QString &text);
    void setCallTimeText(const QString &text);
    void setAccountTimeText(const QString &text);
    void setLoginButtonsEnabled(bool enabled);
    // After a call's end: the ready text and an empty number box in ms.
    void startReady(int ms);
    void readyTick();
    // One of the ready texts, or the idle notice in its place.
    void showReady(QString readyText);
    void callClockTick();

    AppState &m_state;
    QString m_status;
    QString m_idleNotice;
    QString m_readyShown; // the ready text the status line stands for; empty: another
    QString m_accountLabel;
    QString m_balance;
    QString m_number;
    QString m_callTime;
    QString m_accountTime;
    bool m_inCallControls = false;
    bool m_loginButtonsEnabled = true;

    QTimer m_ready;
    PendingReady m_readyDue;
    QTimer m_connected; // the call clock's second
    CallClock m_clock;
};

} // namespace ralu
