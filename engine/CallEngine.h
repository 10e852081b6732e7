// The call engine: Ralu's main window without the window, put together from
// its parts, each with one job:
//   - the registration (Registration): profile and registration state;
//   - the call session (CallSession): the one current call, which it alone
//     touches; its events go to a list of listeners (CallListener);
//   - the presenter (MainPresenter): the window's texts and clocks;
//   - the attention (CallAttention): ringing, flashing, the missed-call
//     indicator.
// The presenter and the attention listen to the session; the history and
// the billing, outside the engine, add themselves as listeners too. The
// engine itself starts the client, routes its events and ends the program.
#pragma once

#include "engine/AppState.h"
#include "engine/CallAttention.h"
#include "engine/CallSession.h"
#include "engine/MainPresenter.h"
#include "engine/ReadyClient.h"
#include "engine/Registration.h"
#include "engine/RtcClient.h"

#include <QObject>

namespace ralu {

class CallEngine : public QObject {
    Q_OBJECT
public:
    // client may be null: no SIP stack could be loaded. Nothing is created or
    // connected until initializeRTC().
    CallEngine(AppState &state, RtcClient *client, QObject *parent = nullptr);
    ~CallEngine() override;

    // ---- start-up ----
    // The engine's part of loading the main window, before the login step.
    void prepareLoad();
    // After the login step: loginStepOver, the client, the registration.
    // False when start-up was abandoned (login window left, or exit asked).
    bool finishLoad();
    // Creates and configures the client; stops at the first failing step.
    bool initializeRTC();
    // The login window's request after a successful login, and start-up's:
    // the profile from the login values, enabled.
    void registerAccount() { m_registration.registerProfile(); }
    // The one entry point for the client's events (initializeRTC connects it).
    void onRtcEvent(RtcEventType type, const RtcEvent &event);

    // The tray menu's Exit: ends a current call, shuts the client down and
    // asks the program to end (exitRequested).
    void exitProgram();

    // ---- the client's own sound ----
    // The audio set-up of the SIP stack, over the given native window.
    void openAudioSetup(unsigned long long windowId);
    // The client's sound levels, 0 to 65535; false without a client or when
    // the client fails.
    bool audioLevel(RtcAudioDevice device, long *level);
    bool setAudioLevel(RtcAudioDevice device, long level);

    // ---- the parts ----
    Registration &registration() { return m_registration; }
    const Registration &registration() const { return m_registration; }
    CallSession &session() { return m_session; }
    const CallSession &session() const { return m_session; }
    MainPresenter &presenter() { return m_presenter; }
    const MainPresenter &presenter() const { return m_presenter; }
    CallAttention &attention() { return m_attention; }

signals:
    // The login step is over and start-up goes on (the start-up balance).
    void loginStepOver();
    void exitRequested();

private:
    AppState &m_state;
    ReadyClient m_client;
    bool m_exitRequested = false; // start-up must not go on after an exit
    Registration m_registration;
    CallSession m_session;
    MainPresenter m_presenter;
    CallAttention m_attention;
};

} // namespace ralu
