#include "calls/CallHistoryRecorder.h"

namespace ralu {

CallHistoryRecorder::CallHistoryRecorder(CallSession &session, Add add)
    : m_session(session)
    , m_add(std::move(add))
{
    m_session.addListener(this);
}

CallHistoryRecorder::~CallHistoryRecorder()
{
    m_session.removeListener(this);
}

void CallHistoryRecorder::callConnected(const ConnectedCall &call)
{
    if (call.incoming)
        m_add(call.number, CallKind::Received);
}

} // namespace ralu
