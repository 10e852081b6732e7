#include "engine/CallStates.h"

namespace ralu {

QString registrationWord(RegistrationState state)
{
    switch (state) {
    case RegistrationState::NotRegistered:
        return QStringLiteral("NOTREGISTERED");
    case RegistrationState::Registering:
        return QStringLiteral("REGISTERING");
    case RegistrationState::Registered:
        return QStringLiteral("REGISTERED");
    case RegistrationState::Rejected:
        return QStringLiteral("REJECTED");
    case RegistrationState::LoggedOff:
        return QStringLiteral("LOGGEDOFF");
    }
    return QString();
}

} // namespace ralu
