#include "sip/LinphoneCoreRunner.h"

#include "sip/LinphoneCoreSettings.h"
#include "sip/NssHold.h"
#include "sip/OwnerOnlyFolder.h"
#include "sip/SipEdgeHook.h"
#include "sip/SipStackLog.h"

#include <linphone++/linphone.hh>

#include <belle-sip/belle-sip.h>

#include <QDir>
#include <QFile>

#include <chrono>
#include <dlfcn.h>
#include <sys/eventfd.h>
#include <unistd.h>

namespace ralu {

namespace {

// How long the core thread sleeps when nothing happens: liblinphone's own
// chores (its one-second checks, media statistics in a call) run this often;
// packets and the SIP stack's timers wake it at once.
constexpr int kSleepMs = 200;
// When the SIP stack's main loop cannot be reached: plain iteration at
// liblinphone's usual pace.
constexpr int kFallbackIterateMs = 20;
constexpr const char *kConfigFileName = "linphonerc";
constexpr const char *kPluginFolderName = "msplugins";

std::string folderWithSlash(const QString &path)
{
    QString p = QDir::cleanPath(path);
    if (!p.endsWith(QLatin1Char('/')))
        p += QLatin1Char('/');
    return QFile::encodeName(p).toStdString();
}

void *defaultSymbol(const char *name)
{
    return ::dlsym(RTLD_DEFAULT, name);
}

std::atomic<LinphoneCoreRunner::SymbolLookup> symbolLookup { &defaultSymbol };

// The SIP stack's main loop under a core, through two functions liblinphone
// exports without declaring them: looked up at run time, so a liblinphone
// without them leaves the core thread iterating instead of failing to load.
belle_sip_main_loop_t *mainLoopOf(void *core)
{
    using GetSal = void *(*)(void *);
    using GetStack = belle_sip_stack_t *(*)(void *);
    const auto lookup = symbolLookup.load();
    const auto getSal = reinterpret_cast<GetSal>(lookup("linphone_core_get_sal"));
    const auto getStack = reinterpret_cast<GetStack>(lookup("sal_get_stack_impl"));
    void *sal = getSal ? getSal(core) : nullptr;
    belle_sip_stack_t *stack = sal && getStack ? getStack(sal) : nullptr;
    return stack ? belle_sip_stack_get_main_loop(stack) : nullptr;
}

} // namespace

class LinphoneCoreRunner::CoreEvents : public linphone::CoreListener {
public:
    explicit CoreEvents(Listeners listeners)
        : m_listeners(std::move(listeners))
    {
    }
    void detach() { m_listeners = Listeners(); }

    void onAccountRegistrationStateChanged(const std::shared_ptr<linphone::Core> &,
        const std::shared_ptr<linphone::Account> &account, linphone::RegistrationState state,
        const std::string &message) override
    {
        if (m_listeners.registration)
            m_listeners.registration(account, int(state), message);
    }

    void onCallStateChanged(const std::shared_ptr<linphone::Core> &,
        const std::shared_ptr<linphone::Call> &call, linphone::Call::State state,
        const std::string &message) override
    {
        if (m_listeners.call)
            m_listeners.call(call, int(state), message);
    }

    void onTransferStateChanged(const std::shared_ptr<linphone::Core> &,
        const std::shared_ptr<linphone::Call> &call, linphone::Call::State state) override
    {
        if (m_listeners.transfer)
            m_listeners.transfer(call, int(state));
    }

    void onCallLogUpdated(
        const std::shared_ptr<linphone::Core> &, const std::shared_ptr<linphone::CallLog> &log) override
    {
        if (m_listeners.callLog)
            m_listeners.callLog(log);
    }

private:
    Listeners m_listeners;
};

namespace {

// The wake-up source in the SIP stack's main loop: ends the core thread's
// sleep so that it runs the jobs handed to it.
int onWake(void *data, unsigned int)
{
    auto *runner = static_cast<std::pair<int, belle_sip_main_loop_t *> *>(data);
    uint64_t count;
    [[maybe_unused]] auto got = ::read(runner->first, &count, sizeof count);
    belle_sip_main_loop_quit(runner->second);
    return BELLE_SIP_CONTINUE;
}

} // namespace

LinphoneCoreRunner::LinphoneCoreRunner(const QString &stateDir, QObject *parent)
    : QObject(parent)
    , m_stateDir(QDir::cleanPath(stateDir))
{
    makeOwnerOnlyFolder(m_stateDir);
}

LinphoneCoreRunner::~LinphoneCoreRunner()
{
    stop();
    if (m_leaveCore && m_core)
        new CorePtr(std::move(m_core)); // never destroyed off its thread
}

QString LinphoneCoreRunner::stateFile(const char *name) const
{
    return m_stateDir + QLatin1Char('/') + QLatin1String(name);
}

std::string LinphoneCoreRunner::localPath(const QString &path)
{
    return QFile::encodeName(path).toStdString();
}

int LinphoneCoreRunner::sipPort()
{
#ifdef RALU_SIP_PORT
    return RALU_SIP_PORT;
#else
    return 0;
#endif
}

std::pair<int, int> LinphoneCoreRunner::rtpPorts()
{
#if defined(RALU_RTP_PORT_MIN) && defined(RALU_RTP_PORT_MAX)
    return { RALU_RTP_PORT_MIN, RALU_RTP_PORT_MAX };
#else
    return { 0, 0 };
#endif
}

void LinphoneCoreRunner::setSymbolLookup(SymbolLookup lookup)
{
    symbolLookup = lookup ? lookup : &defaultSymbol;
}

bool LinphoneCoreRunner::prepareFolders()
{
    m_startFailure.clear();
    if (m_stateDir.isEmpty()) {
        m_startFailure = QStringLiteral("no folder for its files");
        return false;
    }
    // An empty plugin folder: mediastreamer2 then loads no plugin (its video
    // plugin would bring Qt 5 into the process).
    return makeOwnerOnlyFolder(m_stateDir, &m_startFailure)
        && makeOwnerOnlyFolder(stateFile(kPluginFolderName), &m_startFailure);
}

QString LinphoneCoreRunner::startFailure() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_startFailure;
}

bool LinphoneCoreRunner::onCoreThread() const
{
    return std::this_thread::get_id() == m_threadId;
}

bool LinphoneCoreRunner::begin(Listeners listeners)
{
    if (m_thread.joinable())
        return true;
    if (!prepareFolders())
        return false;
    m_wakeFd = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (m_wakeFd < 0)
        return false;
    m_stopping = false;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_startFinished = false;
        m_startResult = false;
    }
    m_thread = std::thread([this, l = std::move(listeners)]() mutable { threadMain(std::move(l)); });
    m_threadId = m_thread.get_id();
    return true;
}

bool LinphoneCoreRunner::start(Listeners listeners)
{
    if (m_started)
        return true;
    if (!begin(std::move(listeners)))
        return false;
    std::unique_lock<std::mutex> lock(m_mutex);
    m_done.wait(lock, [this] { return m_startFinished; });
    if (!m_startResult) {
        lock.unlock();
        m_thread.join();
        ::close(m_wakeFd);
        m_wakeFd = -1;
        return false;
    }
    m_started = true;
    return true;
}

bool LinphoneCoreRunner::createCore(Listeners listeners)
{
    // Quiet: liblinphone logs about 100 lines a second at its default level.
    // The program routes it into its own log (SipStackLog.h).
    if (!sipStackLogRouted())
        linphone::LoggingService::get()->setLogLevel(linphone::LogLevel::Error);

    auto factory = linphone::Factory::get();
    // Every file liblinphone writes goes into the state folder; the names
    // are glued to these folders, hence the trailing '/'.
    factory->setConfigDir(folderWithSlash(m_stateDir));
    factory->setDataDir(folderWithSlash(m_stateDir));
    factory->setDownloadDir(folderWithSlash(m_stateDir));
    factory->setMspluginsDir(folderWithSlash(stateFile(kPluginFolderName)));

    auto config = factory->createConfig(localPath(stateFile(kConfigFileName)));
    if (!config)
        return false;
    prepareCoreConfig(config);

    // The stack's sockets go through the edge from its first packet on.
    m_edgeWatcher = std::make_unique<BelleSipEdgeWatcher>();
    m_edge = std::make_unique<SipEdge>(*m_edgeWatcher, sipPort());
    m_edgeWatcher->setEdge(m_edge.get());
    SipEdgeHook::install(m_edge.get());

    std::shared_ptr<linphone::Core> core;
    try {
        const NssHold nss;
        core = factory->createCoreWithConfig(config, nullptr);
    } catch (...) {
        core.reset();
    }
    if (!core) {
        dropEdge();
        return false;
    }

    m_coreEvents = std::make_shared<CoreEvents>(std::move(listeners));
    core->addListener(m_coreEvents);
    configureCore(core);
    if (core->start() != 0) {
        core->removeListener(m_coreEvents);
        m_coreEvents->detach();
        m_coreEvents.reset();
        dropEdge();
        return false;
    }
    // Whatever an earlier run left in the core (nothing, normally: their
    // sections were removed from the configuration above).
    core->clearAccounts();
    core->clearAllAuthInfo();
    core->clearCallLogs();
    configureMedia(core);
    m_core = core;

    m_mainLoop = mainLoopOf(core->cPtr());
    if (m_mainLoop)
        m_edgeWatcher->attach(static_cast<belle_sip_main_loop_t *>(m_mainLoop));
    else
        dropEdge(); // nothing would read its sockets: the stack's own sockets then
    return true;
}

bool LinphoneCoreRunner::probeRegistrar(std::function<void(bool answered)> done)
{
    return m_edge && m_edge->probeRegistrar(std::move(done));
}

void LinphoneCoreRunner::dropEdge()
{
    SipEdgeHook::install(nullptr);
    if (m_edgeWatcher)
        m_edgeWatcher->detach();
    m_edge.reset();
    m_edgeWatcher.reset();
}

void LinphoneCoreRunner::threadMain(Listeners listeners)
{
    const bool ok = createCore(std::move(listeners));
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (!ok)
            m_startFailure
                = QStringLiteral("the SIP core did not start (its files are in %1)").arg(m_stateDir);
        m_startResult = ok;
        m_startFinished = true;
    }
    m_done.notify_all();
    if (!ok)
        return;

    auto *ml = static_cast<belle_sip_main_loop_t *>(m_mainLoop);
    std::pair<int, belle_sip_main_loop_t *> wakeData { m_wakeFd, ml };
    belle_sip_source_t *wakeSource = nullptr;
    if (ml) {
        wakeSource = belle_sip_socket_source_new(onWake, &wakeData, m_wakeFd, BELLE_SIP_EVENT_READ, -1);
        belle_sip_main_loop_add_source(ml, wakeSource);
    }
    while (!m_stopping) {
        runJobs();
        m_core->iterate();
        if (m_edge)
            m_edge->housekeeping();
        {
            std::unique_lock<std::mutex> lock(m_mutex);
            if (!m_jobs.empty() || m_stopping)
                continue;
            if (!ml) {
                m_done.wait_for(lock, std::chrono::milliseconds(kFallbackIterateMs),
                    [this] { return !m_jobs.empty() || m_stopping; });
                continue;
            }
        }
        // Returns early when a packet, a timer of the SIP stack or a wake-up
        // needs it (a job written before the wake-up is never missed: the
        // eventfd stays readable until the source has read it).
        belle_sip_main_loop_sleep(ml, kSleepMs);
    }
    runJobs(); // anything handed over while stopping
    flush(m_flushMs);
    if (m_last)
        m_last();

    if (wakeSource) {
        belle_sip_main_loop_remove_source(ml, wakeSource);
        belle_sip_object_unref(wakeSource);
    }
    if (m_leaveCore) {
        // The process ends now: the core's own shutdown (50-100 ms of
        // sound-card and media teardown) would only delay it. Its listeners
        // are cut off; the core is never touched again.
        m_coreEvents->detach();
        SipEdgeHook::install(nullptr);
        m_edge.release(); // its sockets stay with the core
        m_edgeWatcher.release();
        return;
    }
    m_core->stop();
    m_core->removeListener(m_coreEvents);
    m_coreEvents->detach();
    m_coreEvents.reset();
    m_core.reset();
    dropEdge();
    m_mainLoop = nullptr;
}

void LinphoneCoreRunner::runJobs()
{
    for (;;) {
        std::pair<Job, std::shared_ptr<bool>> job;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            if (m_jobs.empty())
                return;
            job = std::move(m_jobs.front());
            m_jobs.pop_front();
        }
        job.first(m_core);
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            *job.second = true;
        }
        m_done.notify_all();
    }
}

void LinphoneCoreRunner::flush(int flushMs)
{
    // What the last jobs queued (an un-REGISTER) goes out in the next
    // iterations; then up to flushMs for the provider's answer.
    auto *ml = static_cast<belle_sip_main_loop_t *>(m_mainLoop);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(flushMs);
    do {
        m_core->iterate();
        if (!m_flushUntil || m_flushUntil())
            break;
        if (ml)
            belle_sip_main_loop_sleep(ml, 2);
    } while (std::chrono::steady_clock::now() < deadline);
}

void LinphoneCoreRunner::wake()
{
    const uint64_t one = 1;
    [[maybe_unused]] auto written = ::write(m_wakeFd, &one, sizeof one);
    m_done.notify_all(); // the fallback's wait
}

bool LinphoneCoreRunner::run(const Job &job)
{
    if (!m_started)
        return false;
    if (onCoreThread()) {
        job(m_core);
        return true;
    }
    if (m_stopping)
        return false;
    auto done = std::make_shared<bool>(false);
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_jobs.emplace_back(job, done);
    }
    wake();
    std::unique_lock<std::mutex> lock(m_mutex);
    m_done.wait(lock, [&done] { return *done; });
    return true;
}

void LinphoneCoreRunner::stop(int flushMs, std::function<bool()> flushedWhen, std::function<void()> last)
{
    if (!m_thread.joinable())
        return;
    m_flushMs = flushMs;
    m_flushUntil = std::move(flushedWhen);
    m_last = std::move(last);
    m_stopping = true;
    wake();
    m_thread.join();
    m_started = false;
    m_flushUntil = nullptr;
    m_last = nullptr;
    ::close(m_wakeFd);
    m_wakeFd = -1;
}

} // namespace ralu
