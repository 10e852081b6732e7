// The call history's ear on the calls: a dialed call is logged when it is
// dialed, a received one when it connects, a missed one when it ends
// without having been connected (a call gets one of received or missed,
// never both).
#pragma once

#include "engine/CallKind.h"
#include "engine/CallListener.h"
#include "engine/CallSession.h"

#include <QString>
#include <functional>

namespace ralu {

class CallHistoryRecorder : public CallListener {
public:
    // add writes one entry (CallHistoryLog::addRecentCall). Listens to the
    // session for as long as it lives.
    using Add = std::function<void(const QString &number, CallKind kind)>;
    CallHistoryRecorder(CallSession &session, Add add);
    ~CallHistoryRecorder() override;

    void callDialed(const QString &number) override { m_add(number, CallKind::Dialed); }
    void callConnected(const ConnectedCall &call) override;
    void callMissed(const QString &number) override { m_add(number, CallKind::Missed); }

private:
    CallSession &m_session;
    Add m_add;
};

} // namespace ralu
