// What draws the user to a call: the phone ring and the window's flashing
// while a call is offered, the window brought back from the tray for it,
// and the missed-call indicator blinking after a call rang unanswered.
#pragma once

#include "engine/AppState.h"
#include "engine/CallListener.h"
#include "engine/ReadyClient.h"

#include <QObject>
#include <QTimer>

namespace ralu {

class CallAttention : public QObject, public CallListener {
    Q_OBJECT
public:
    CallAttention(AppState &state, const ReadyClient &client, QObject *parent = nullptr);

    // The start of loading: the indicator's frame starts red.
    void prepareLoad() { m_missedFrameRed = true; }
    // The program ends: no ring, no flash, no blink.
    void stop();
    // The missed-call indicator was clicked: the history opens on the
    // missed calls, and the indicator goes.
    void acknowledgeMissedCalls();

    // ---- CallListener ----
    void callOffered(const CallOffer &offer) override;
    void callRejected() override { m_ring.stop(); }
    void callAnswering() override { stopRinging(); }
    void callConnected(const ConnectedCall &) override { stopRinging(); }
    void callEnded(const CallEnd &end) override;
    void ringingStopped() override { stopRinging(); }

signals:
    // Each tick of the flash while a call is offered inverts the window's
    // attention hint; flashStopped ends it (the hint is then cleared).
    void flashWindowRequested();
    void flashStopped();
    void restoreFromTrayRequested();
    void missedIndicatorChanged(bool shown, bool red);

private:
    friend class CallEngineTestAccess;

    void stopRinging();
    void setMissedIndicator(bool shown);
    void ringTick();
    void missedBlinkTick();

    AppState &m_state;
    const ReadyClient &m_client;
    QTimer m_ring;
    QTimer m_flash;
    QTimer m_missedBlink;
    bool m_missedShown = false;
    bool m_missedFrameRed = true;
};

} // namespace ralu
