// Support for end-to-end tests: Ralu's real parts (liblinphone, the settings
// store, the windows on the offscreen platform) against the local provider
// (Kamailio on 127.0.0.1:5060, SIPp as the telephone network), with what
// crossed the wire read back from the provider's log.
#pragma once

#include "../unit/FakeMessageBoxes.h"
#include "account/SavedLogin.h"
#include "account/SettingsStore.h"
#include "app/Softphone.h"
#include "audio/AlsaMixerBackend.h"
#include "engine/Clock.h"
#include "sip/LinphoneRtcClient.h"

#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>
#include <functional>
#include <memory>
#include <utility>

namespace ralu::e2e {

// The provider's run folder (set by the test runner).
QString providerRunDir();
// The project's source folder.
QString sourceDir();

// Pumps the event loop until done() holds or ms pass; true when it held.
bool waitUntil(const std::function<bool()> &done, int ms);
// Pumps the event loop for ms.
void pump(int ms);
// The process, once started, gets SIGTERM when the test process dies first
// (a crash, or a time-out's kill): nothing started by a test outlives it.
void endWithTest(QProcess &process);

// One SIP message of the provider's log.
struct SipRecord {
    QString kind; // "IN" for a request received, "REPLY" for a reply received
    QString firstLine;
    QString text; // the whole message
    QString source; // who sent it: "127.0.0.1:5092"
    QString header(const QString &name) const; // first value of a header, "" if none
    QString method() const; // requests only
};

// The provider's log from the moment this object was made.
class ProviderLog {
public:
    ProviderLog();
    QList<SipRecord> records() const;
    QList<SipRecord> requests(const QString &method) const;
    // Single-line records of replies the provider made itself ("RALU-SIP-LOCAL ...").
    QStringList localReplies() const;
    // A REGISTER from source ("127.0.0.1:5092") was accepted.
    bool registered(const QString &source) const;
    QString raw() const;

private:
    qint64 m_start = 0;
};

// This process's CPU time so far, and its open descriptors now.
double processCpuSeconds();
int openDescriptorCount();

// Ralu's SIP port: the one in the Contact of its last REGISTER in log (0: none).
int registeredPort(const ProviderLog &log);

// Where a Phone's calls take their sound from and put what they receive.
enum class PhoneAudio {
    Files, // a 440 Hz tone file and a recording file: no sound device needed
    Devices, // the default sound devices, as the program has them
};

// A Ralu running in this process with a saved login.
class Phone {
public:
    Phone(const QString &account, const QString &password,
        const QString &server = QStringLiteral("127.0.0.1"), PhoneAudio audio = PhoneAudio::Files);
    ~Phone();

    // Runs the start-up; false if it was abandoned. Calls play and record
    // files unless the phone was made with PhoneAudio::Devices.
    bool start();
    bool waitForStatus(const QString &status, int ms = 5000);
    QString status() const { return m_app->engine().statusText(); }

    Softphone &app() { return *m_app; }
    CallEngine &engine() { return m_app->engine(); }
    LinphoneRtcClient &rtc() { return *m_rtc; }
    testing::FakeMessageBoxes &boxes() { return m_boxes; }
    QString folder() const { return m_dir.path(); }
    QString historyText() const;
    // The lines of recentcall.txt without their time stamps: "D::5551234"...
    QStringList historyLines() const;

private:
    QTemporaryDir m_dir;
    PhoneAudio m_audio;
    IniSettingsStore m_store;
    testing::FakeMessageBoxes m_boxes;
    SystemClock m_clock;
    std::unique_ptr<LinphoneRtcClient> m_rtc;
    std::unique_ptr<Softphone> m_app;
};

// The main window's pad button of each key: { '1', "Picture20" }...
extern const std::pair<char, const char *> kPadButtons[12];
// A real mouse click on the pad button of key; false when there is none.
bool clickPadKey(Phone &phone, char key);

// A SIPp run with one of the project's scenarios.
class Sipp {
public:
    // scenario: a file name in scripts/sipp; args: everything after -sf.
    Sipp(const QString &scenario, const QStringList &args);
    ~Sipp();
    bool waitFinished(int ms);
    int exitCode() const;
    QString output() const;

private:
    mutable QProcess m_process;
    mutable QString m_output;
    QTemporaryDir m_dir;
};

} // namespace ralu::e2e
