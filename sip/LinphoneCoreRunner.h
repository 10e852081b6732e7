// The liblinphone core: its folders and settings, its start and stop, and
// the thread that drives it.
//
// Threading: liblinphone is not thread-safe, so the core lives on one
// thread of its own: it is created, iterated, called and destroyed there
// only. That thread sleeps in the SIP stack's own poll() on its sockets and
// timers, so a packet is handled as it arrives (and what it triggers goes out
// at once) while an idle core wakes only a few times a second. The rest of
// the program reaches the core through run(), which hands a job to the core
// thread and waits for it; the core's listeners are called on the core
// thread (the adapter hands their events to the event-loop thread through
// RtcEventQueue).
//
// Files: everything liblinphone writes goes into the state folder (owner-
// only). Passwords are never written there.
#pragma once

#include <QObject>
#include <QString>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace linphone {
class Account;
class Call;
class CallLog;
class Core;
} // namespace linphone

namespace ralu {

class BelleSipEdgeWatcher;
class SipEdge;

class LinphoneCoreRunner : public QObject {
    Q_OBJECT
public:
    using CorePtr = std::shared_ptr<linphone::Core>;
    using Job = std::function<void(const CorePtr &)>;

    // What the core reports, with liblinphone's state numbers
    // (linphone::RegistrationState, linphone::Call::State). Called on the
    // core thread.
    struct Listeners {
        std::function<void(const std::shared_ptr<linphone::Account> &, int state, const std::string &message)>
            registration;
        std::function<void(const std::shared_ptr<linphone::Call> &, int state, const std::string &message)>
            call;
        // A call that ended before it was one (an incoming call refused by
        // liblinphone itself, e.g. with no common codec) leaves only a log.
        std::function<void(const std::shared_ptr<linphone::CallLog> &)> callLog;
        // How a transfer this side asked for goes (linphone::Call::State).
        std::function<void(const std::shared_ptr<linphone::Call> &, int state)> transfer;
    };

    // stateDir: owner-only folder for liblinphone's files, created (0700)
    // when missing.
    explicit LinphoneCoreRunner(const QString &stateDir, QObject *parent = nullptr);
    ~LinphoneCoreRunner() override;

    // Starts the core thread, which creates, configures and starts the core
    // while the caller goes on (start-up builds the window meanwhile).
    bool begin(Listeners listeners);
    // begin() unless done, then waits for the core; false when it could not
    // start (the listeners of an earlier begin() stay).
    bool start(Listeners listeners);
    // Lets the core send what it has queued (an un-REGISTER), waits up to
    // flushMs until flushed() (called on the core thread) says the answer
    // is in, runs last() on the core thread (what still holds a liblinphone
    // object lets go of it there), then stops the core and its thread.
    void stop(int flushMs = 0, std::function<bool()> flushed = {}, std::function<void()> last = {});
    bool started() const { return m_started; }
    // Why the last begin() or start() failed, for the user; empty when it
    // did not.
    QString startFailure() const;
    // For a process that ends right after stop(): stop() then lets the
    // un-REGISTER out but does not tear the core down.
    void setLeaveCoreAtStop(bool leave) { m_leaveCore = leave; }

    // Runs job with the core on the core thread and waits for it; from the
    // core thread itself (a listener), runs it at once. False, without
    // running it, when the core is not running.
    bool run(const Job &job);

    // Only on the core thread (inside a job or a listener).
    const CorePtr &core() const { return m_core; }
    // Asks the provider the stack registers with whether it is there
    // (SipEdge::probeRegistrar); done is called on the core thread. False
    // when it cannot be asked (no edge, or no REGISTER sent yet).
    bool probeRegistrar(std::function<void(bool answered)> done);

    QString stateDir() const { return m_stateDir; }
    QString stateFile(const char *name) const;

    // A path as liblinphone takes it.
    static std::string localPath(const QString &path);

    // Port settings fixed when Ralu is built (RALU_SIP_PORT,
    // RALU_RTP_PORT_MIN/MAX); 0 means random.
    static int sipPort();
    static std::pair<int, int> rtpPorts();

    // How the core finds the SIP stack's main loop (two functions liblinphone
    // exports undeclared): dlsym() unless a test puts in a lookup that finds
    // nothing, to run the fallback. Before begin().
    using SymbolLookup = void *(*)(const char *name);
    static void setSymbolLookup(SymbolLookup lookup);

private:
    class CoreEvents;
    bool prepareFolders();
    void threadMain(Listeners listeners);
    bool createCore(Listeners listeners);
    void dropEdge();
    void runJobs();
    void wake();
    void flush(int flushMs);
    bool onCoreThread() const;

    QString m_stateDir;
    CorePtr m_core; // core thread only
    std::shared_ptr<CoreEvents> m_coreEvents;
    void *m_mainLoop = nullptr; // the SIP stack's main loop
    // The stack's network edge (core thread only).
    std::unique_ptr<BelleSipEdgeWatcher> m_edgeWatcher;
    std::unique_ptr<SipEdge> m_edge;
    int m_wakeFd = -1; // eventfd: written to end the core's sleep

    std::thread m_thread;
    std::thread::id m_threadId;
    std::atomic<bool> m_started { false };
    std::atomic<bool> m_stopping { false };
    bool m_leaveCore = false;
    int m_flushMs = 0;
    std::function<bool()> m_flushUntil;
    std::function<void()> m_last;

    // Jobs handed to the core thread, and their completion.
    mutable std::mutex m_mutex;
    std::condition_variable m_done;
    std::deque<std::pair<Job, std::shared_ptr<bool>>> m_jobs;
    bool m_startResult = false;
    bool m_startFinished = false;
    QString m_startFailure;
};

} // namespace ralu
