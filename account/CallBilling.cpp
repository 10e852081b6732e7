#include "account/CallBilling.h"

#include <QPointer>

namespace ralu {

CallBilling::CallBilling(CallEngine &engine, BillingClient &billing)
    : m_engine(engine)
    , m_billing(billing)
{
    connect(&engine, &CallEngine::loginStepOver, this, &CallBilling::updateBalance);
    connect(&engine.registration(), &Registration::stateChanged, this, [this](RegistrationState state) {
        if (state == RegistrationState::Registered)
            updateBalance();
    });
    engine.session().addListener(this);
}

CallBilling::~CallBilling()
{
    m_engine.session().removeListener(this);
}

void CallBilling::updateBalance()
{
    m_billing.updateBalance(
        [presenter = QPointer<MainPresenter>(&m_engine.presenter())](const std::optional<QString> &text) {
            if (presenter && text)
                presenter->setBalanceText(*text);
        });
}

void CallBilling::callConnected(const ConnectedCall &)
{
    const quint64 connection = ++m_connections;
    m_connected = true;
    m_billing.queryCreditTime(
        [self = QPointer<CallBilling>(this), connection](std::optional<qint64> seconds) {
            // An answer for a call that has ended (or for an earlier one) is no
            // talk time of the call under way.
            if (self && self->m_connected && connection == self->m_connections)
                self->m_engine.presenter().startTalkTime(seconds);
        });
    updateBalance();
}

void CallBilling::callEnded(const CallEnd &)
{
    m_connected = false;
    updateBalance();
}

} // namespace ralu
