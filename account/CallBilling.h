// The billing queries at their moments: the balance once the login step is
// over, at each registration, when a call connects and when it ends; the
// talk time left when a call connects, which starts the countdown of that
// call if it is still the one connected when the answer comes. Nothing
// waits for the server (BillingClient).
#pragma once

#include "account/BillingClient.h"
#include "engine/CallEngine.h"
#include "engine/CallListener.h"

#include <QObject>

namespace ralu {

class CallBilling : public QObject, public CallListener {
    Q_OBJECT
public:
    // Listens to the engine's start-up, registration and calls for as long
    // as it lives; the answers go to the engine's presenter.
    CallBilling(CallEngine &engine, BillingClient &billing);
    ~CallBilling() override;

    void callConnected(const ConnectedCall &call) override;
    void callEnded(const CallEnd &end) override;

private:
    void updateBalance();

    CallEngine &m_engine;
    BillingClient &m_billing;
    quint64 m_connections = 0; // calls connected so far: tells a late answer from a current one
    bool m_connected = false;
};

} // namespace ralu
