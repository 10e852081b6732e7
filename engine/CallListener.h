// What happens to calls, as the call session tells it: each listener (the
// presenter of the main window, the window's attention, the history, the
// billing...) is one class that overrides the events it cares about. The
// session calls its listeners in the order they were added, on the event
// loop's thread, after its own state has changed: a listener reads the
// session's states, never its texts.
#pragma once

#include "engine/RtcClient.h"

#include <QString>

namespace ralu {

// An offer that came in.
struct CallOffer {
    QString number; // the caller's number, safe to show; empty without one caller
    bool hasCaller = false; // exactly one participant: a number to show
    // It is the current call now, ringing. Otherwise a call was under way
    // and the offer was declined busy at once.
    bool taken = false;
};

// A call that has just connected.
struct ConnectedCall {
    bool incoming = false;
    QString number; // the caller's number of an incoming call
};

// The end of the current call.
struct CallEnd {
    RtcCallEnd reason = RTCCE_NONE;
    bool missed = false; // it rang in here and was never connected
    bool transferred = false; // the far end reached the transfer's target first
};

class CallListener {
public:
    virtual ~CallListener() = default;

    // An outgoing call to number is about to be placed (it will be logged
    // dialed whether or not the client places it).
    virtual void callDialed(const QString &number) { (void)number; }
    // The client would not place it: there is no call.
    virtual void dialFailed() { }
    // It is placed and waits for progress.
    virtual void callPlaced() { }
    virtual void callOffered(const CallOffer &offer) { (void)offer; }
    // The user refused the call ringing in; its end follows.
    virtual void callRejected() { }
    virtual void callAnswering() { }
    virtual void callInProgress() { }
    // Once per call: a resume after hold is no new connection.
    virtual void callConnected(const ConnectedCall &call) { (void)call; }
    // The connected call was put on hold from here, and taken off it (a
    // hold by the far end is neither).
    virtual void callHeld() { }
    virtual void callResumed() { }
    // A transfer of the far end asked for failed (the call goes on), or the
    // far end reached the target (the call's end follows).
    virtual void transferFailed() { }
    virtual void transferSucceeded() { }
    // A call that rang in here ended without being connected: the current
    // one, one dialed over, or one declined because a call was under way.
    virtual void callMissed(const QString &number) { (void)number; }
    // The current call has ended (a missed current call too, after its
    // callMissed); the session has no call now.
    virtual void callEnded(const CallEnd &end) { (void)end; }
    // The client reported the current call idle.
    virtual void callIdle() { }
    // No call rings in any more that anyone could take.
    virtual void ringingStopped() { }
};

} // namespace ralu
