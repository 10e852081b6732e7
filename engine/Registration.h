// The registration with the SIP server: the provisioning profile made from
// the login values, and the typed registration state the client's events
// set. Who shows it or acts on it connects to stateChanged.
#pragma once

#include "engine/AppState.h"
#include "engine/CallStates.h"
#include "engine/ReadyClient.h"

#include <QObject>
#include <QString>
#include <memory>

namespace ralu {

class Registration : public QObject {
    Q_OBJECT
public:
    Registration(AppState &state, const ReadyClient &client, QObject *parent = nullptr);

    // Builds and enables the provisioning profile from the login values.
    void registerProfile();
    // A registration event of the client.
    void handle(RtcRegistrationState state);
    // Back to not registered, as at start-up (no signal).
    void reset() { m_state = RegistrationState::NotRegistered; }

    RegistrationState state() const { return m_state; }
    // What calls are placed with: the chosen server and its enabled profile.
    const QString &server() const { return m_server; }
    const std::shared_ptr<RtcProfile> &profile() const { return m_profile; }

signals:
    void stateChanged(RegistrationState state);

private:
    friend class CallEngineTestAccess;

    AppState &m_app;
    const ReadyClient &m_client;
    RegistrationState m_state = RegistrationState::NotRegistered;
    QString m_server;
    QString m_xmlProfile;
    std::shared_ptr<RtcProfile> m_profile;
};

} // namespace ralu
