// What huge user files cost the window: the real phone book and history
// windows (offscreen) opened on files of a given size, then one change (a
// contact added, a kind cleared). Each case runs in a child process of its
// own, so its peak memory is its own.
//
//   huge_files_bench [--mb N] [--folder DIR]     (100 MB and /tmp by default)
#include "account/PhoneBook.h"
#include "calls/RecentList.h"
#include "engine/AppState.h"
#include "engine/MessageBoxes.h"
#include "windows/PhoneBookWindow.h"
#include "windows/RecentWindow.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <functional>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace ralu;

namespace {

struct CountingBoxes : MessageBoxes {
    int shown = 0;
    void show(const QString &, Icon) override { ++shown; }
};

// A file of `bytes` made of `line` over and over.
void fill(const QString &path, const QByteArray &line, qint64 bytes)
{
    QByteArray block;
    while (block.size() < (1 << 20))
        block += line;
    QFile file(path);
    file.open(QIODevice::WriteOnly | QIODevice::Truncate);
    for (qint64 done = 0; done < bytes; done += block.size())
        file.write(block.left(qsizetype(std::min<qint64>(block.size(), bytes - done))));
}

// Runs open and then change in a child: prints the time of each, the peak
// memory of the child and the boxes shown.
void measure(const char *what, const std::function<void(CountingBoxes &, double &, double &)> &run)
{
    std::fflush(stdout);
    const pid_t child = ::fork();
    if (child == 0) {
        CountingBoxes boxes;
        double openMs = 0, changeMs = 0;
        run(boxes, openMs, changeMs);
        std::printf("%-44s open %8.1f ms  change %8.1f ms  boxes %d", what, openMs, changeMs, boxes.shown);
        std::fflush(stdout);
        std::_Exit(0);
    }
    int status = 0;
    struct rusage usage { };
    ::wait4(child, &status, 0, &usage);
    std::printf("  peak %7.1f MB\n", usage.ru_maxrss / 1024.0);
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    qint64 mb = 100;
    QString base = QDir::tempPath();
    for (int i = 1; i + 1 < argc; i += 2) {
        if (qstrcmp(argv[i], "--mb") == 0)
            mb = QByteArray(argv[i + 1]).toLongLong();
        else if (qstrcmp(argv[i], "--folder") == 0)
            base = QString::fromLocal8Bit(argv[i + 1]);
    }
    QTemporaryDir dir(base + QStringLiteral("/huge_files_bench-XXXXXX"));
    const QString book = dir.filePath(QString::fromLatin1(PhoneBook::kFileName));
    const QString history = dir.filePath(QStringLiteral("recentcall.txt"));
    AppState state;
    const auto noCall = [](const QString &) { return true; };

    const auto phoneBook = [&](const char *what, const QByteArray &line, qint64 bytes) {
        fill(book, line, bytes);
        measure(what, [&](CountingBoxes &boxes, double &openMs, double &changeMs) {
            QElapsedTimer clock;
            clock.start();
            PhoneBookWindow window(dir.path(), state, boxes, noCall);
            openMs = clock.nsecsElapsed() / 1e6;
            window.nameBox()->setText(QStringLiteral("Zed"));
            window.numberBox()->setText(QStringLiteral("9"));
            clock.restart();
            window.addClicked();
            changeMs = clock.nsecsElapsed() / 1e6;
        });
    };
    const auto callHistory = [&](const char *what, qint64 bytes) {
        fill(
            history, "D::5551234  [01/01/10 12:05 AM]\r\n\r\nM::5550000  [01/01/10 12:06 AM]\r\n\r\n", bytes);
        measure(what, [&](CountingBoxes &boxes, double &openMs, double &changeMs) {
            QElapsedTimer clock;
            clock.start();
            RecentWindow window(history, state, boxes, noCall);
            openMs = clock.nsecsElapsed() / 1e6;
            clock.restart();
            window.clearKind();
            changeMs = clock.nsecsElapsed() / 1e6;
        });
    };

    std::printf("files in %s\n", qPrintable(dir.path()));
    phoneBook("phone book, contacts, --mb", "Anne Example--5551234\r\n", mb << 20);
    const QByteArray contact = "Anne Example--5551234\r\n";
    phoneBook("phone book, contacts, at the limits", contact,
        std::min(PhoneBook::kMaxFileSize, PhoneBook::kMaxLines * contact.size()));
    phoneBook("phone book, empty lines, at the line limit", "\n", PhoneBook::kMaxLines);
    phoneBook("phone book, empty lines, at the size limit", "\n", PhoneBook::kMaxFileSize);
    callHistory("history, --mb, clear Dialed", mb << 20);
    callHistory("history, just under the clearing limit", RecentList::kMaxClearSize - 64);
    return 0;
}
