// A console softphone as the far end of calls through the local provider
// (baresip, linphonec): its files in a temporary folder of its own, a sine
// tone from a WAVE file as its microphone and no sound device, commands
// written to its standard input, its output kept and searched. Started and
// ended by its process id only.
#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

namespace ralu::e2e {

// Who the peer is on the provider, and its fixed loopback ports.
struct PeerSetup {
    QString user; // the account, or the number calls arrive for
    int toneHz = 1000; // what it sends
    QString password; // empty: registers nowhere (the telephone network side)
    int sipPort = 5070;
    int rtpPort = 16000; // the first of ten
    QStringList codecs { QStringLiteral("PCMU"), QStringLiteral("PCMA") }; // offered, in order
    bool autoAnswer = true;
};

// How a peer is commanded (%1: the argument), how it reports (regular
// expressions over its output) and what it does by itself.
struct PeerDialect {
    QString dial, answer, hangUp, hold, resume, digits, transfer;
    QString incoming, established, ended, busy, tone;
    bool endsCallWhenTransferFails = false;
};

class ConsolePeer {
public:
    static constexpr int kRate = 8000; // of the tone file

    virtual ~ConsolePeer();
    // Starts the peer and waits until it is ready (registered when it has an
    // account); false (see log()) if not.
    virtual bool start() = 0;
    virtual const PeerDialect &dialect() const = 0;
    const PeerSetup &setup() const { return m_setup; }
    // Ends it (SIGTERM, SIGKILL if it lingers).
    void stop();
    QString log() const;

    // Writes a command of the dialect, with its argument.
    void act(QString PeerDialect::*command, const QString &argument = QString());
    // Waits until a report of the dialect shows after the last one found,
    // and moves past it; false after ms.
    bool expect(QString PeerDialect::*report, int ms);
    // Every match of the pattern's first group in the whole output.
    QString captures(const QString &pattern) const;

protected:
    ConsolePeer(const QString &name, PeerSetup setup);
    QString folder() const { return m_dir.path(); }
    QString filePath(const QString &name) const { return m_dir.filePath(name); }
    bool writeFile(const QString &name, const QByteArray &bytes) const;
    // The tone file, written once; empty on failure.
    QString toneFile();
    bool launch(const QString &program, const QStringList &args, const QString &readyPattern);
    void command(const QString &line);

    PeerSetup m_setup;

private:
    QTemporaryDir m_dir;
    QProcess m_process;
    mutable QString m_log;
    int m_cursor = 0;
};

} // namespace ralu::e2e
