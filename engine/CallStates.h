// The registration and call states every decision reads. The texts the
// windows show are made from these states and are never read back.
#pragma once

#include <QString>

namespace ralu {

enum class RegistrationState { NotRegistered, Registering, Registered, Rejected, LoggedOff };

// The registration state word shown in logs and tests: "NOTREGISTERED"...
QString registrationWord(RegistrationState state);

enum class CallState {
    Idle, // no current call
    Ringing, // a call rings in and is not answered yet
    Answering, // answered, not yet connected
    Placing, // an outgoing call is created, not yet in progress
    InProgress, // the outgoing call is in progress
    Connected, // either direction, talking
    Held, // connected, and put on hold from here
};

// A call under way that a new call must not take over: being answered,
// being placed, in progress, connected or held. A call that only rings is not.
inline bool isLive(CallState state)
{
    return state == CallState::Answering || state == CallState::Placing || state == CallState::InProgress
        || state == CallState::Connected || state == CallState::Held;
}

// The engine's timers; tests reach them through the test seam.
enum class EngineTimer { Ring, Flash, MissedBlink, Ready, CallClock };

} // namespace ralu
