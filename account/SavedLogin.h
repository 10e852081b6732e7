// The saved login: six entries of the settings store, one application name
// per value (the entry's suffix followed by the executable's name), all in
// section "Parameters" under key "Validation".
#pragma once

#include "account/SettingsStore.h"
#include "engine/AppState.h"

namespace ralu {

class SavedLogin {
public:
    SavedLogin(SettingsStore &store, QString executableName);

    // The name of the running executable without its extension.
    static QString currentExecutableName();

    // Writes Password, Save, Username, accountnumber, accountpassword, sipip
    // in one change of the store: on failure the store keeps the login it
    // held before.
    bool saveProfile(const LoginValues &values);
    // Reads the six entries (absent ones read empty) into values. False when
    // the store could not be read.
    bool readProfile(LoginValues &values) const;
    // Leaves the store without the login typed: the application name of each
    // of the six values that is not empty is deleted, the entry of each empty
    // one is removed. Nothing is written into the store, the password least.
    bool forgetProfile(const LoginValues &values);

    // Why the last operation failed, for the user.
    QString problem() const { return m_store.lastError(); }

    // Application name of an entry suffix, e.g. "Password" + "ralu".
    QString appName(const QString &suffix) const { return suffix + m_executableName; }

private:
    SettingsStore &m_store;
    QString m_executableName;
};

} // namespace ralu
