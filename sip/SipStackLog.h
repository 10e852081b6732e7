// liblinphone's log goes into Qt's log (category ralu.sip) instead of the
// terminal: its warnings and errors always, its messages (the SIP trace:
// every request and answer sent and received) when the trace is on.
#pragma once

#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(lcSip)

namespace ralu {

// Call before the SIP core starts; again to switch the trace.
void routeSipStackLog(bool trace);
// Whether routeSipStackLog() has run (else the core keeps to errors alone).
bool sipStackLogRouted();

} // namespace ralu
