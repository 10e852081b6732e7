// Whether one balance query holds Ralu's window: the real billing client
// (BillingClient over QtHttpClient, as Ralu wires it) against the demo
// billing server, once answering normally and once silent. For each query:
// how long asking takes (the window waits that long), how long until the
// answer, and the longest pause of a 10 ms timer running beside it in the
// meantime (the stretch in which nothing else, input included, could run).
//
//   billing_hold_bench --port PORT [--runs N]
// bench/billing_hold.sh starts the server and runs this.
#include "account/BillingClient.h"
#include "account/QtHttpClient.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTcpSocket>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace ralu;

namespace {

bool control(quint16 port, const QByteArray &form)
{
    QTcpSocket socket;
    socket.connectToHost(QStringLiteral("127.0.0.1"), port);
    if (!socket.waitForConnected(2000))
        return false;
    socket.write(
        "POST /control HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Type: application/x-www-form-urlencoded\r\n"
        "Content-Length: "
        + QByteArray::number(form.size()) + "\r\nConnection: close\r\n\r\n" + form);
    socket.waitForBytesWritten(2000);
    QByteArray reply;
    while (socket.state() == QAbstractSocket::ConnectedState && socket.waitForReadyRead(2000))
        reply += socket.readAll();
    return (reply + socket.readAll()).startsWith("HTTP/1.1 200 ");
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n == 0 ? 0 : (n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    quint16 port = 0;
    int runs = 7;
    const QStringList args = app.arguments();
    for (int i = 1; i + 1 < args.size(); i += 2) {
        if (args[i] == QLatin1String("--port"))
            port = static_cast<quint16>(args[i + 1].toUInt());
        else if (args[i] == QLatin1String("--runs"))
            runs = std::max(1, args[i + 1].toInt());
    }
    if (port == 0) {
        std::fprintf(stderr, "usage: billing_hold_bench --port PORT [--runs N]\n");
        return 2;
    }

    LoginValues login;
    login.strAccountNumber = login.strUserName = QStringLiteral("1001");
    QtHttpClient http;
    BillingClient billing(http, QStringLiteral("http://127.0.0.1:%1").arg(port), login);

    struct Mode {
        const char *name;
        QByteArray form;
    };
    const Mode modes[] = { { "healthy", "reset=1" }, { "silent", "reset=1&mode=silent&target=balance" } };
    std::printf("one balance query, %d runs each, time-out %d ms\n", runs, http.timeoutMs());
    for (const Mode &mode : modes) {
        if (!control(port, mode.form)) {
            std::fprintf(stderr, "no billing server on 127.0.0.1:%u\n", port);
            return 1;
        }
        std::vector<double> held, answered, gaps;
        for (int i = 0; i < runs; ++i) {
            QElapsedTimer clock, sinceTick;
            double longestGap = 0;
            QTimer beside;
            QObject::connect(&beside, &QTimer::timeout, [&] {
                longestGap = std::max(longestGap, sinceTick.nsecsElapsed() / 1e6);
                sinceTick.restart();
            });
            beside.start(10);
            QEventLoop loop;
            std::optional<QString> label;
            double answerMs = 0;
            clock.start();
            sinceTick.start();
            billing.updateBalance([&](const std::optional<QString> &text) {
                answerMs = clock.nsecsElapsed() / 1e6;
                label = text;
                loop.quit();
            });
            const double askMs = clock.nsecsElapsed() / 1e6;
            loop.exec();
            longestGap = std::max(longestGap, sinceTick.nsecsElapsed() / 1e6);
            beside.stop();
            held.push_back(askMs);
            answered.push_back(answerMs);
            gaps.push_back(longestGap);
            std::printf(
                "  %-8s run %d: window held %6.3f ms, answer after %8.2f ms, longest pause of a 10 ms "
                "timer %6.2f ms, label %s\n",
                mode.name, i + 1, askMs, answerMs, longestGap,
                label ? qPrintable(QLatin1Char('"') + *label + QLatin1Char('"')) : "unchanged");
        }
        std::printf(
            "%-8s median window held %6.3f ms (max %.3f); median answer after %8.2f ms; median longest "
            "timer pause %.2f ms (max %.2f)\n",
            mode.name, median(held), *std::max_element(held.begin(), held.end()), median(answered),
            median(gaps), *std::max_element(gaps.begin(), gaps.end()));
    }
    control(port, "reset=1");
    return 0;
}
