// The hold button: during a connected call a click puts the call on hold
// (the far end is told so and hears nothing), a second click takes it off.
// The clock and the talk time run on: the provider still bills a held call.
// Outside a connected or held call a click does nothing.
#pragma once

#include "engine/CallListener.h"
#include "engine/CallSession.h"

#include <QObject>

namespace ralu {

class CallHold : public QObject, public CallListener {
    Q_OBJECT
public:
    // Listens to the session for as long as it lives.
    explicit CallHold(CallSession &session, QObject *parent = nullptr);
    ~CallHold() override;

    // The button's click.
    void toggle();
    bool held() const { return m_held; }

    // ---- CallListener ----
    void callHeld() override { setHeld(true); }
    void callResumed() override { setHeld(false); }
    void callEnded(const CallEnd &) override { setHeld(false); }

signals:
    // The button shows its pressed picture while the call is held.
    void heldChanged(bool held);

private:
    void setHeld(bool held);

    CallSession &m_session;
    bool m_held = false;
};

} // namespace ralu
