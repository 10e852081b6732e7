// The least a Qt Widgets softphone on liblinphone can weigh: one label in a
// window and a liblinphone core made from the configuration file given (the
// same file linphonec gets in bench/peers.sh), iterated every 20 ms. No
// skin, no sound mixer, no history, no tray. bench/peers.sh runs it beside
// Ralu and linphonec as "qt-linphone".
#include <QApplication>
#include <QLabel>
#include <QTimer>

#include <linphone++/linphone.hh>

#include <cstdio>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s LINPHONERC\n", argv[0]);
        return 2;
    }
    QLabel label(QStringLiteral("Registered and Ready..."));
    label.show();
    auto core = linphone::Factory::get()->createCore(argv[1], "", nullptr);
    if (!core || core->start() != 0)
        return 1;
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, [&core] { core->iterate(); });
    tick.start(20);
    return app.exec();
}
