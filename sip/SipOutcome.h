// What the SIP stack's outcomes mean to the application, as plain
// functions of SIP status codes and RTC states (no SIP stack behind them, so
// they are tested on their own): why a call ended, and which registration
// changes are worth an event.
#pragma once

#include "engine/RtcClient.h"

namespace ralu {

// Why a call ended. failed: the call ended in error (a hang-up, a CANCEL or
// a refusal of ours, or the far end's BYE, are not failures). sipCode: the
// final answer's status code, 0 when there is none. heardBack: some SIP
// message of the call came from the network; when none did, the failure is
// the network's whatever code the stack made up for it (its own timeout
// gives 408, a transport error 503).
RtcCallEnd callEndFor(bool failed, int sipCode, bool heardBack);

// The registration event to queue for a new state, given the last one
// queued (-1: none yet); -1 when there is nothing new to say: a repeat, or a
// REGISTERING that is only the stack trying again (a refresh of a good
// registration, or a retry after a failure, whose outcome is the news).
int registrationEventFor(int state, int lastQueued);

} // namespace ralu
