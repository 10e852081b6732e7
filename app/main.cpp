// Ralu: a softphone for the customers of a prepaid voice-over-IP service.
// The composition root: the real SIP stack, settings store, message boxes and
// clock, wired into the softphone.
#include "DeploymentConfig.h"
#include "account/SettingsStore.h"
#include "app/CommandLine.h"
#include "app/InstanceChannel.h"
#include "app/MissedCallNotifier.h"
#include "app/SingleInstance.h"
#include "app/Softphone.h"
#include "app/SupportLog.h"
#include "audio/AlsaMixerBackend.h"
#include "sip/LinphoneRtcClient.h"
#include "sip/SipStackLog.h"
#include "skin/AppIcon.h"
#include "windows/QtMessageBoxes.h"

#include <QApplication>
#include <QSocketNotifier>
#include <QStandardPaths>

#include <memory>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <malloc.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int g_signalPipe[2] = { -1, -1 };

void onTerminationSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] auto written = ::write(g_signalPipe[1], &byte, 1);
}

// SIGTERM and SIGINT (the desktop session ending, a kill from the task
// manager) end Ralu the way the tray menu's Exit does.
void routeTerminationSignals(ralu::CallEngine &engine)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, g_signalPipe) != 0)
        return;
    auto *notifier = new QSocketNotifier(g_signalPipe[0], QSocketNotifier::Read, qApp);
    QObject::connect(notifier, &QSocketNotifier::activated, &engine, [&engine, notifier] {
        char byte;
        [[maybe_unused]] auto got = ::read(g_signalPipe[0], &byte, 1);
        notifier->setEnabled(false);
        engine.exitProgram();
    });
    struct sigaction action { };
    action.sa_handler = onTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGTERM, &action, nullptr);
    ::sigaction(SIGINT, &action, nullptr);
}

// The process holds the account's password in memory: no core file may
// carry it away. Done in every build, before anything is read: a debug build
// holds the same real password. Not dumpable also keeps other processes of
// the same user (without CAP_SYS_PTRACE) out of /proc/PID/mem and from
// attaching a debugger; a developer starts Ralu under the debugger instead.
// The zero core limit is inherited by programs Ralu starts (the browser).
void forbidCoreDumps()
{
    ::prctl(PR_SET_DUMPABLE, 0, 0, 0, 0);
    struct rlimit none;
    none.rlim_cur = 0;
    none.rlim_max = 0;
    ::setrlimit(RLIMIT_CORE, &none);
}

// --help and --version, or a refused command line: said on the terminal,
// before anything starts. Returns the exit status, or -1 to go on.
int answerCommandLine(const ralu::CommandLine &line, const char *program)
{
    switch (line.action) {
    case ralu::CommandLine::Action::Help:
        std::fputs(
            ralu::CommandLine::helpText(QString::fromLocal8Bit(program)).toLocal8Bit().constData(), stdout);
        return 0;
    case ralu::CommandLine::Action::Version:
        std::printf("Ralu %s\n", ralu::deployment::kVersion);
        return 0;
    case ralu::CommandLine::Action::Error:
        std::fprintf(stderr, "%s: %s (see --help)\n", program, line.error.toLocal8Bit().constData());
        return 2;
    case ralu::CommandLine::Action::Run:
        break;
    }
    return -1;
}

} // namespace

int main(int argc, char *argv[])
{
    forbidCoreDumps();
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    const ralu::CommandLine line = ralu::CommandLine::parse(args);
    if (const int status = answerCommandLine(line, argv[0]); status >= 0)
        return status;
    // The log for support takes everything from here on; the SIP stack's
    // trace when asked for on the command line or in the settings.
    ralu::SupportLog log;
    log.install();
    ralu::IniSettingsStore store(ralu::IniSettingsStore::defaultPath());
    log.setSipTrace(line.sipLog
        || store.get(QStringLiteral("Ralu"), QStringLiteral("Log"), QStringLiteral("SipTrace"), {})
            == QLatin1String("1"));
    ralu::routeSipStackLog(log.sipTrace());
    // The SIP core starts on its own thread first: it is ready, or nearly,
    // once Qt has connected to the display and built the windows. Only for
    // the one instance allowed (the lock needs no QApplication).
    QCoreApplication::setApplicationName(QStringLiteral("Ralu"));
    QCoreApplication::setApplicationVersion(QString::fromLatin1(ralu::deployment::kVersion)); // User-Agent
    ralu::SingleInstance instance;
    const bool alone = instance.acquire();
    std::unique_ptr<ralu::LinphoneRtcClient> rtc;
    if (alone) {
        const QString dataFolder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
        rtc = std::make_unique<ralu::LinphoneRtcClient>(dataFolder + QStringLiteral("/sip"));
        rtc->setProcessEndsAtShutdown(true); // the process _Exit()s after it
        rtc->prepare();
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Ralu"));
    // The desktop pairs the windows with the installed desktop entry and icon.
    QGuiApplication::setDesktopFileName(QStringLiteral(RALU_APP_ID));
    QApplication::setWindowIcon(ralu::skin::appIcon());
    QApplication::setQuitOnLastWindowClosed(false);

    ralu::QtMessageBoxes boxes;
    if (!alone) {
        // The running instance comes to the front; a number handed to it is
        // all this start was for.
        if (ralu::InstanceChannel::send(line.number) && !line.number.isEmpty())
            return 0;
        boxes.show(QStringLiteral("Another instance is running."), ralu::MessageBoxes::Icon::Error);
        return 0;
    }

    ralu::SystemClock clock;
    ralu::Softphone softphone(rtc.get(), boxes, store, ralu::SavedLogin::currentExecutableName(),
        ralu::Softphone::defaultAppFolder(), clock,
        [] { return std::make_unique<ralu::AlsaMixerBackend>(); });
    routeTerminationSignals(softphone.engine());
    boxes.setOwner([&softphone] { return softphone.frontWindow(); });
    rtc->setTuningWizard([&softphone](unsigned long long) { return softphone.openAudioSetup(); });
    // Exit ends the process once the engine has shut the client down, also
    // when it comes while start-up waits in the login window.
    bool exitAsked = false;
    QObject::connect(&softphone.engine(), &ralu::CallEngine::exitRequested, &app, [&exitAsked] {
        exitAsked = true;
        QCoreApplication::exit(0);
    });
    softphone.setOnLogin([&log](const ralu::LoginValues &v) {
        log.setSecrets({ v.strPassword, v.strAccountPassword, v.strUserName, v.strAccountNumber });
    });
    ralu::MissedCallNotifier notices(QStringLiteral(RALU_APP_ID));
    softphone.setOnMissedCall([&notices](const QString &number) { notices.notify(number); });
    ralu::InstanceChannel channel;
    QObject::connect(&channel, &ralu::InstanceChannel::frontAsked, &app,
        [&softphone](const QString &number) { softphone.bringToFront(number); });
    channel.listen();
    if (!softphone.start() || exitAsked)
        std::_Exit(0);
    if (!line.number.isEmpty())
        softphone.bringToFront(line.number);
    // What start-up allocated only for a while (the SIP core's set-up, the
    // decoded pictures' files) goes back to the system before the long idle.
    ::malloc_trim(0);
    const int code = app.exec();
    // Exit has already shut the client down; nothing is left worth waiting for.
    std::fflush(nullptr);
    std::_Exit(code);
}
