#include "app/CommandLine.h"

#include "calls/LinkNumber.h"

namespace ralu {

namespace {

// Qt's options that take a value: the value is Qt's too.
bool qtOptionWithValue(const QString &arg)
{
    static const QStringList options = { QStringLiteral("-platform"), QStringLiteral("-platformpluginpath"),
        QStringLiteral("-platformtheme"), QStringLiteral("-plugin"), QStringLiteral("-display"),
        QStringLiteral("-geometry"), QStringLiteral("-qwindowgeometry"), QStringLiteral("-qwindowicon"),
        QStringLiteral("-qwindowtitle"), QStringLiteral("-style"), QStringLiteral("-stylesheet"),
        QStringLiteral("-session") };
    return options.contains(arg);
}

} // namespace

CommandLine CommandLine::parse(const QStringList &args)
{
    CommandLine line;
    auto refuse = [&line](const QString &why) {
        line.action = Action::Error;
        line.error = why;
        return line;
    };
    bool numberGiven = false;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString &arg = args.at(i);
        if (arg == QLatin1String("--help") || arg == QLatin1String("-h")) {
            line.action = Action::Help;
            return line;
        }
        if (arg == QLatin1String("--version")) {
            line.action = Action::Version;
            return line;
        }
        if (arg == QLatin1String("--sip-log")) {
            line.sipLog = true;
        } else if (arg.startsWith(QLatin1String("--"))) {
            return refuse(QStringLiteral("unknown option %1").arg(arg));
        } else if (arg.startsWith(QLatin1Char('-')) && arg.size() > 1 && !arg.at(1).isDigit()) {
            if (qtOptionWithValue(arg))
                ++i; // Qt's option and its value
        } else if (numberGiven) {
            return refuse(QStringLiteral("only one number can be given"));
        } else {
            const std::optional<QString> number = numberFromLink(arg);
            if (!number)
                return refuse(QStringLiteral("no telephone number in \"%1\"").arg(arg.left(80)));
            line.number = *number;
            numberGiven = true;
        }
    }
    return line;
}

QString CommandLine::helpText(const QString &program)
{
    return QStringLiteral("Usage: %1 [--sip-log] [NUMBER | tel:NUMBER | sip:NUMBER@HOST | callto:NUMBER]\n"
                          "A softphone for a prepaid voice-over-IP service.\n\n"
                          "A number or a link puts the number into the number box of the running Ralu\n"
                          "(started first when none runs) and brings its window to the front; the call\n"
                          "is placed only when you press Call.\n\n"
                          "  --sip-log   also write the SIP stack's trace into the log\n"
                          "  --help      show this help and end\n"
                          "  --version   show the version and end\n")
        .arg(program);
}

} // namespace ralu
