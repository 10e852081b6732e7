// Ralu's command line: a number or a tel:, sip: or callto: link to put into
// the number box (never dialled: the user presses Call), --sip-log, --help
// and --version. Qt's own options (-platform xcb...) are left to Qt.
#pragma once

#include <QString>
#include <QStringList>

namespace ralu {

struct CommandLine {
    enum class Action { Run, Help, Version, Error };

    Action action = Action::Run;
    QString number; // empty: none given
    bool sipLog = false;
    QString error; // why the command line is refused

    // args: the arguments after the program's name.
    static CommandLine parse(const QStringList &args);
    static QString helpText(const QString &program);
};

} // namespace ralu
