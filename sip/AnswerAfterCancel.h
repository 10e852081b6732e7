// An answer that crosses our CANCEL: acknowledged, then one BYE.
//
// When the far end answers a call just as our CANCEL reaches it, RFC 3261
// (sections 9.1, 15) wants the 200 OK acknowledged, then the call ended
// with a BYE. liblinphone 5.1 (and its sources to this day) answers such a
// 200 with a BYE and no ACK (SalCallOp::processResponseCb, op Terminating),
// and belle-sip, finding the 200 unacknowledged, then sends a second BYE of
// its own (belle_sip_dialog_check_ack_sent), retransmitted until it times
// out; linphonec does the same. Neither library lets an application reach
// the dialog in between, so the program steps in where liblinphone makes
// that BYE: belle_sip_dialog_create_request() is interposed (the
// executables export their definition, which the dynamic linker puts
// ahead of belle-sip's), and for a call this program cancelled, the 200 is
// acknowledged before the BYE is made. Everything else goes straight to
// belle-sip. On the SIP core's thread only.
#pragma once

#include <string>

namespace ralu::answer_after_cancel {

// A call (by its Call-ID) that we have just cancelled.
void expect(const std::string &callId);
// The call is over: nothing more to acknowledge.
void forget(const std::string &callId);

} // namespace ralu::answer_after_cancel
