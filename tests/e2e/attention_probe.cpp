// The main window over the call engine and a scripted client, on a real X
// display, for attention_test.sh: prints the window's id, then takes commands
// on stdin, one a line, and answers each with "ok COMMAND" once done:
//   offer   a call from sip:201@127.0.0.1 is offered
//   end     the offered call ends unanswered
//   quit
#include "FakeRtcClient.h"
#include "engine/CallEngine.h"
#include "windows/MainWindow.h"

#include <QApplication>
#include <QSocketNotifier>

#include <cstdio>
#include <iostream>
#include <string>

using namespace ralu;
using namespace ralu::testing;

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    AppState state;
    FakeRtcClient rtc;
    CallEngine engine(state, &rtc);
    MainWindow window(engine, state);
    engine.prepareLoad();
    state.login.strUserName = QStringLiteral("1001");
    state.login.strLoginSIPIP = QStringLiteral("127.0.0.1");
    if (!engine.initializeRTC())
        return 1;
    engine.registerAccount();
    rtc.registration(RTCRS_REGISTERED);
    window.show();
    std::printf("wid 0x%llx\n", static_cast<unsigned long long>(window.winId()));
    std::fflush(stdout);

    std::shared_ptr<FakeSession> call;
    QSocketNotifier commands(0, QSocketNotifier::Read);
    QObject::connect(&commands, &QSocketNotifier::activated, [&] {
        std::string line;
        if (!std::getline(std::cin, line) || line == "quit") {
            app.quit();
            return;
        }
        if (line == "offer") {
            call = FakeSession::offeredBy("sip:201@127.0.0.1");
            rtc.session(call, RTCSS_INCOMING);
        } else if (line == "end") {
            rtc.session(call, RTCSS_DISCONNECTED);
        } else {
            std::printf("unknown %s\n", line.c_str());
            std::fflush(stdout);
            return;
        }
        std::printf("ok %s\n", line.c_str());
        std::fflush(stdout);
    });
    return app.exec();
}
