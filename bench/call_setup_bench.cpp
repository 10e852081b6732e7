// Call set-up timing of an in-process Ralu: the real Softphone with the real
// liblinphone client against the local provider, driven like the end-to-end
// tests (number typed into the number box, Enter pressed). For each call it
// prints the wall-clock moment (system clock, microseconds since the epoch)
// of the Enter key press and of the status line turning "Connected"; the
// bench script matches them with the SIP packets captured on the wire.
//
//   call_setup_bench [--runs N] [--number DIGITS] [--hold SECONDS]
//   call_setup_bench --idle SECONDS
//
// Output, one line per call:
//   CALL <run> <enter_us> <connected_us>
//   HANGUP <run> <end_button_us>
// and, with --hold, "HOLDING <run>" once the call is up (the script may
// sample this process meanwhile). With --idle it only registers, prints
// "IDLE" and stays idle that long. Audio comes from and goes to files (no
// sound card needed). Needs the provider with its answering far end on
// 127.0.0.1 and account 1001.
#include "../tests/e2e/E2eSupport.h"

#include <QApplication>
#include <QEventLoop>
#include <QLineEdit>
#include <QTest>
#include <QTimer>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>

using namespace ralu;
using namespace ralu::e2e;

namespace {

long long nowUs()
{
    return std::chrono::duration_cast<std::chrono::microseconds>(
        std::chrono::system_clock::now().time_since_epoch())
        .count();
}

// The waits run the event loop the way the application does (no polling, no
// sleeping between passes), so that they add no latency of their own.
void runFor(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

bool runUntilStatus(CallEngine &engine, const QString &status, int ms)
{
    if (engine.statusText() == status)
        return true;
    QEventLoop loop;
    QObject::connect(&engine, &CallEngine::statusTextChanged, &loop, [&loop, &status](const QString &s) {
        if (s == status)
            loop.quit();
    });
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
    return engine.statusText() == status;
}

void usage()
{
    std::fprintf(
        stderr, "usage: call_setup_bench [--runs N] [--number DIGITS] [--hold SECONDS] | --idle SECONDS\n");
    std::exit(2);
}

} // namespace

int main(int argc, char **argv)
{
    int runs = 7;
    int holdSeconds = 0;
    int idleSeconds = 0;
    QString number = QStringLiteral("7");
    for (int i = 1; i < argc; ++i) {
        const bool hasValue = i + 1 < argc;
        if (!std::strcmp(argv[i], "--runs") && hasValue)
            runs = std::atoi(argv[++i]);
        else if (!std::strcmp(argv[i], "--number") && hasValue)
            number = QString::fromLocal8Bit(argv[++i]);
        else if (!std::strcmp(argv[i], "--hold") && hasValue)
            holdSeconds = std::atoi(argv[++i]);
        else if (!std::strcmp(argv[i], "--idle") && hasValue)
            idleSeconds = std::atoi(argv[++i]);
        else
            usage();
    }
    if (runs < 1 || holdSeconds < 0 || number.isEmpty())
        usage();

    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Ralu"));

    Phone phone(QStringLiteral("1001"), QStringLiteral("demo1001"));
    if (!phone.start() || !phone.waitForStatus(QStringLiteral("Registered and Ready..."), 10000)) {
        std::fprintf(
            stderr, "call_setup_bench: not registered (status \"%s\")\n", qPrintable(phone.status()));
        return 1;
    }

    if (idleSeconds > 0) {
        std::printf("IDLE\n");
        std::fflush(stdout);
        runFor(idleSeconds * 1000);
        return 0;
    }

    long long connectedUs = 0;
    QObject::connect(&phone.engine(), &CallEngine::statusTextChanged, [&connectedUs](const QString &status) {
        if (status == QLatin1String("Connected") && connectedUs == 0)
            connectedUs = nowUs();
    });

    QLineEdit *box = phone.app().window().numberBox();
    for (int run = 1; run <= runs; ++run) {
        runFor(500); // let the previous call's last messages settle
        connectedUs = 0;
        box->setFocus();
        box->setText(number);
        const long long enterUs = nowUs();
        QTest::keyClick(box, Qt::Key_Return);
        if (!runUntilStatus(phone.engine(), QStringLiteral("Connected"), 15000) || connectedUs == 0) {
            std::fprintf(stderr, "call_setup_bench: run %d never connected (status \"%s\")\n", run,
                qPrintable(phone.status()));
            return 1;
        }
        if (holdSeconds > 0) {
            std::printf("HOLDING %d\n", run);
            std::fflush(stdout);
            runFor(holdSeconds * 1000);
        } else {
            runFor(300);
        }
        const long long endUs = nowUs();
        phone.app().dialer().endButton();
        std::printf("HANGUP %d %lld\n", run, endUs);
        if (!runUntilStatus(phone.engine(), QStringLiteral("Registered and Ready.."), 10000)) {
            std::fprintf(stderr, "call_setup_bench: run %d did not end (status \"%s\")\n", run,
                qPrintable(phone.status()));
            return 1;
        }
        std::printf("CALL %d %lld %lld\n", run, enterUs, connectedUs);
        std::fflush(stdout);
    }
    return 0;
}
