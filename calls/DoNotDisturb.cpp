#include "calls/DoNotDisturb.h"

namespace ralu {

DoNotDisturb::DoNotDisturb(
    CallSession &session, MainPresenter &presenter, bool on, std::function<void(bool)> keep, QObject *parent)
    : QObject(parent)
    , m_session(session)
    , m_presenter(presenter)
    , m_on(on)
    , m_keep(std::move(keep))
{
    apply();
}

void DoNotDisturb::set(bool on)
{
    m_on = on;
    apply();
    if (m_keep)
        m_keep(on);
    emit changed(on);
}

void DoNotDisturb::apply()
{
    m_session.setDeclineOffers(m_on);
    m_presenter.setIdleNotice(m_on ? QStringLiteral("Do not disturb") : QString());
}

} // namespace ralu
