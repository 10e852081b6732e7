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

    // Writes Password, Save, Username, accountnumber, accountpassword, sipip.
    void saveProfile(const LoginValues &values);
    // Reads the six entries (absent ones read empty) into values.
    void readProfile(LoginValues &values) const;
    // Reads as readProfile does, then deletes the application name of every
    // entry that read non-empty.
    void eraseProfile(LoginValues &values);

    // Application name of an entry suffix, e.g. "Password" + "ralu".
    QString appName(const QString &suffix) const { return suffix + m_executableName; }

private:
    QString read(const QString &suffix) const;
    SettingsStore &m_store;
    QString m_executableName;
};

} // namespace ralu
