// Values shared across Ralu's windows for the whole run: the login values and
// a few program-wide flags. One instance lives in the composition root.
#pragma once

#include <QString>

namespace ralu {

struct LoginValues {
    QString strUserName; // trimmed account number: SIP user, credit-time PIN
    QString strPassword; // trimmed password
    QString strAccountNumber; // trimmed account number: balance PIN
    QString strAccountPassword; // trimmed password: only tells whether a login is saved
    QString strLoginSIPIP; // the chosen preset server
    QString strSaveFlag; // "yes" or "no"
    QString strDisplayName; // display name in the profile
};

struct AppState {
    LoginValues login;
    bool blnStartupLogin = true; // no registration event seen yet
    bool blnPhoneBookOpen = false; // a child window is open; the tray's Show waits
    bool blnSoundFunError = false; // the sound device failed once; dialing refused
    bool blnInTray = false; // hidden to the tray by a hide button
    bool openRecentOnMissed = false; // the history window opens on missed calls
    bool startupAbandoned = false; // the login window was left before any registration
};

} // namespace ralu
