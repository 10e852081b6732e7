// The liblinphone core: its folders and settings, its start and stop, and
// the 20 ms timer on the event-loop thread that drives Core::iterate().
// Liblinphone is not thread-safe: the core is created, used and destroyed on
// the thread that runs the Qt event loop.
//
// Files: everything liblinphone writes goes into the state folder (owner-
// only). Passwords are never written there.
#pragma once

#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <string>

class QTimer;

namespace linphone {
class Account;
class Call;
class Core;
} // namespace linphone

namespace ralu {

class LinphoneCoreRunner : public QObject {
    Q_OBJECT
public:
    // What the core reports from inside iterate(), with liblinphone's state
    // numbers (linphone::RegistrationState, linphone::Call::State).
    struct Listeners {
        std::function<void(const std::shared_ptr<linphone::Account> &, int state, const std::string &message)>
            registration;
        std::function<void(const std::shared_ptr<linphone::Call> &, int state, const std::string &message)>
            call;
        std::function<void()> iterated; // after each iterate()
    };

    // stateDir: owner-only folder for liblinphone's files, created (0700)
    // when missing.
    explicit LinphoneCoreRunner(const QString &stateDir, QObject *parent = nullptr);
    ~LinphoneCoreRunner() override;

    // Creates, configures and starts the core; false when it could not.
    bool start(Listeners listeners);
    // Stops the core (the caller has removed its account first).
    void stop();

    // Null while not started.
    const std::shared_ptr<linphone::Core> &core() const { return m_core; }
    QString stateDir() const { return m_stateDir; }
    QString stateFile(const char *name) const;

    // A path as liblinphone takes it.
    static std::string localPath(const QString &path);

private:
    class CoreEvents;
    bool prepareFolders();

    QString m_stateDir;
    std::shared_ptr<linphone::Core> m_core;
    std::shared_ptr<CoreEvents> m_coreEvents;
    QTimer *m_iterateTimer = nullptr;
    std::function<void()> m_iterated;
};

} // namespace ralu
