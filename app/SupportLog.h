// The log for support: Qt's log (categories ralu.sip, ralu.billing,
// ralu.files, ralu.ui and Qt's own) written to ralu.log in the XDG state
// folder. Kept: warnings and failures; with the SIP trace on, the SIP
// stack's messages (ralu.sip at info) too. Each line is redacted first
// (LogRedaction.h). At its size cap the file becomes ralu.log.1, the one old
// file kept. Messages may come from any thread.
#pragma once

#include <QFile>
#include <QStringList>
#include <QtGlobal>

#include <atomic>
#include <mutex>

namespace ralu {

class SupportLog {
public:
    explicit SupportLog(QString folder = defaultFolder(), qint64 maxBytes = 1 << 20);
    ~SupportLog(); // gives the log back to Qt's own handler
    SupportLog(const SupportLog &) = delete;
    SupportLog &operator=(const SupportLog &) = delete;

    // Takes Qt's log from now on.
    void install();
    void setSipTrace(bool on) { m_sipTrace = on; }
    bool sipTrace() const { return m_sipTrace; }
    // The account's password and PIN as they are now: never written.
    void setSecrets(const QStringList &secrets);
    void write(QtMsgType type, const QMessageLogContext &context, const QString &message);

    QString filePath() const;
    // $XDG_STATE_HOME/ralu, else ~/.local/state/ralu
    static QString defaultFolder();

private:
    bool open();

    QString m_folder;
    qint64 m_maxBytes;
    std::atomic<bool> m_sipTrace { false };
    std::mutex m_mutex; // the file, the secrets
    QStringList m_secrets;
    QFile m_file;
    bool m_failed = false; // the folder or file cannot be written: said once on stderr
    QtMessageHandler m_previous = nullptr;
};

} // namespace ralu
