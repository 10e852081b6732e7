// Ralu put together: the call engine, the main window, the login window, the
// history file and the saved login, wired around one RTC client. main() builds
// it with the real SIP stack; end-to-end tests build it the same way.
#pragma once

#include "account/BillingClient.h"
#include "account/CallBilling.h"
#include "account/HttpClient.h"
#include "account/LoginController.h"
#include "account/SavedLogin.h"
#include "account/SettingsStore.h"
#include "account/WebLinks.h"
#include "audio/SoundMixer.h"
#include "calls/CallHistoryLog.h"
#include "calls/Dialer.h"
#include "calls/KeyTones.h"
#include "calls/LocalTonePlayer.h"
#include "engine/AppState.h"
#include "engine/CallEngine.h"
#include "engine/Clock.h"
#include "engine/MessageBoxes.h"
#include "windows/LoginWindow.h"
#include "windows/MainWindow.h"

#include <QList>
#include <QPointer>
#include <QSslCertificate>
#include <functional>
#include <memory>

namespace ralu {

class CallHistoryRecorder;
class CallHold;
class CallTransfer;
class DoNotDisturb;

class Softphone {
public:
    // Makes the backend of the sound card's mixer; none: no mixer.
    using MixerBackendFactory = std::function<std::unique_ptr<MixerBackend>()>;

    // appFolder holds the call history and the other files of the user.
    Softphone(RtcClient *client, MessageBoxes &boxes, SettingsStore &store, QString executableName,
        QString appFolder, const Clock &clock, MixerBackendFactory mixerBackend = {});
    ~Softphone();

    // The load sequence up to the shown window. False when the user left the
    // login window at start-up: the program then ends.
    bool start();

    CallEngine &engine() { return *m_engine; }
    // The main window, built on first use (start() builds it after the
    // registration has gone out when the login is saved).
    MainWindow &window();
    AppState &state() { return m_state; }
    CallHistoryLog &history() { return *m_history; }
    Dialer &dialer() { return *m_dialer; }
    // The call control buttons' behaviours; null when switched off.
    CallHold *hold() const { return m_hold.get(); }
    CallTransfer *transfer() const { return m_transfer.get(); }
    DoNotDisturb *doNotDisturb() const { return m_dnd.get(); }
    BillingClient &billing() { return *m_billing; }
    // For tests, before start(): the billing queries go to baseUrl, which
    // may be a server of the test's own with a certificate trusted beside
    // the system's.
    void useBillingServer(const QString &baseUrl, const QList<QSslCertificate> &alsoTrusted);
    // The sound card's mixer from start-up until the program ends, else null.
    SoundMixer *mixer() const { return m_mixer.get(); }
    // The login window while it is open, else null.
    LoginWindow *loginWindow() const { return m_login; }
    // The window in front: the login window while it is open, else the main
    // window once built (message boxes open over it).
    QWidget *frontWindow() const;

    // A second start's request: the number (when given) into the number box,
    // never dialled, and the window in front with the keyboard. During a
    // call the number waits for its end.
    void bringToFront(const QString &number);
    // Called with the login values before each registration goes out.
    void setOnLogin(std::function<void(const LoginValues &)> f) { m_onLogin = std::move(f); }
    // Called with the number of each missed call.
    void setOnMissedCall(std::function<void(const QString &)> f) { m_onMissedCall = std::move(f); }

    // Shows the login window, modally or not.
    void openLogin(bool modal);
    // Show the call history and the phone book windows modally over the main
    // window, each created afresh; they return when the window has closed.
    void openHistory();
    void openPhoneBook();
    // What opens the web pages (the default browser unless replaced).
    void setOpenAddress(OpenAddress open) { m_openAddress = std::move(open); }
    // Shows the audio set-up window modally over the main window; false
    // when there is no client to set up.
    bool openAudioSetup();
    // The folder of the user's files this Softphone was given.
    const QString &appFolder() const { return m_appFolder; }

    // The folder for the user's files: beside the executable when that folder
    // is writable, else the user's data folder for Ralu.
    static QString defaultAppFolder();

private:
    void buildWindow();
    void createCallButtons();
    void wireCallButtons();
    void createMixer();
    void checkSoundDevices();
    // Shows an error box from the event loop once no billing query waits.
    void tellWhenIdle(const QString &text);

    AppState m_state;
    RtcClient *m_client;
    MessageBoxes &m_boxes;
    QString m_appFolder;
    SavedLogin m_savedLogin;
    std::unique_ptr<CallEngine> m_engine;
    std::unique_ptr<MainWindow> m_window;
    std::unique_ptr<LoginController> m_loginController;
    std::unique_ptr<CallHistoryLog> m_history;
    bool m_historyFailing = false; // the last entry could not be written, and the user was told
    std::unique_ptr<LocalTonePlayer> m_localTones;
    std::unique_ptr<KeyTones> m_keyTones;
    std::unique_ptr<Dialer> m_dialer;
    std::unique_ptr<CallHistoryRecorder> m_historyRecorder;
    SettingsStore &m_store;
    std::unique_ptr<CallHold> m_hold;
    std::unique_ptr<CallTransfer> m_transfer;
    std::unique_ptr<DoNotDisturb> m_dnd;
    std::unique_ptr<HttpClient> m_http;
    std::unique_ptr<BillingClient> m_billing;
    std::unique_ptr<CallBilling> m_callBilling;
    QPointer<LoginWindow> m_login;
    MixerBackendFactory m_mixerBackend;
    std::unique_ptr<SoundMixer> m_mixer;
    OpenAddress m_openAddress;
    QString m_waitingNumber; // for the number box once the call has ended
    std::function<void(const QString &)> m_onMissedCall;
    std::function<void(const LoginValues &)> m_onLogin;
};

} // namespace ralu
