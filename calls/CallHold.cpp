#include "calls/CallHold.h"

namespace ralu {

CallHold::CallHold(CallSession &session, QObject *parent)
    : QObject(parent)
    , m_session(session)
{
    m_session.addListener(this);
}

CallHold::~CallHold()
{
    m_session.removeListener(this);
}

void CallHold::toggle()
{
    // The state changes when the client reports it, not at the click.
    if (m_session.state() == CallState::Held)
        m_session.resume();
    else
        m_session.hold();
}

void CallHold::setHeld(bool held)
{
    if (m_held == held)
        return;
    m_held = held;
    emit heldChanged(held);
}

} // namespace ralu
