#include "app/SupportLog.h"

#include "app/LogRedaction.h"

#include <QDateTime>
#include <QDir>

#include <cstdio>
#include <sys/stat.h>

namespace ralu {

namespace {

SupportLog *g_log = nullptr;

void handler(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (g_log)
        g_log->write(type, context, message);
}

char letterOf(QtMsgType type)
{
    switch (type) {
    case QtDebugMsg:
        return 'D';
    case QtInfoMsg:
        return 'I';
    case QtWarningMsg:
        return 'W';
    case QtCriticalMsg:
        return 'C';
    case QtFatalMsg:
        return 'F';
    }
    return '?';
}

} // namespace

SupportLog::SupportLog(QString folder, qint64 maxBytes)
    : m_folder(std::move(folder))
    , m_maxBytes(maxBytes)
{
}

SupportLog::~SupportLog()
{
    if (g_log == this) {
        qInstallMessageHandler(m_previous);
        g_log = nullptr;
    }
}

QString SupportLog::defaultFolder()
{
    const QByteArray state = qgetenv("XDG_STATE_HOME");
    const QString base = state.startsWith('/') ? QFile::decodeName(state)
                                               : QDir::homePath() + QStringLiteral("/.local/state");
    return base + QStringLiteral("/ralu");
}

QString SupportLog::filePath() const
{
    return m_folder + QStringLiteral("/ralu.log");
}

void SupportLog::install()
{
    g_log = this;
    m_previous = qInstallMessageHandler(handler);
}

void SupportLog::setSecrets(const QStringList &secrets)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_secrets = secrets;
}

bool SupportLog::open()
{
    if (m_file.isOpen())
        return true;
    if (m_failed)
        return false;
    QDir().mkpath(QFileInfo(m_folder).absolutePath());
    ::mkdir(QFile::encodeName(m_folder).constData(), 0700);
    m_file.setFileName(filePath());
    if (!m_file.open(QIODevice::Append | QIODevice::Text)) {
        m_failed = true;
        std::fprintf(stderr, "Ralu: cannot write the log %s: %s\n", qPrintable(filePath()),
            qPrintable(m_file.errorString()));
        return false;
    }
    m_file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    return true;
}

void SupportLog::write(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    const QLatin1String category(context.category ? context.category : "default");
    const bool sip = category.startsWith(QLatin1String("ralu.sip"));
    const bool failure = type == QtWarningMsg || type == QtCriticalMsg || type == QtFatalMsg;
    // The terminal keeps what it showed before, the SIP stack's noise aside.
    if (m_previous && !sip && type != QtInfoMsg)
        m_previous(type, context, message);
    if (!failure && !(sip && m_sipTrace))
        return;
    std::lock_guard<std::mutex> lock(m_mutex);
    const QByteArray line = (QDateTime::currentDateTime().toString(Qt::ISODateWithMs) + QLatin1Char(' ')
        + QLatin1Char(letterOf(type)) + QLatin1Char(' ') + category + QStringLiteral(": ")
        + redactLog(message, m_secrets) + QLatin1Char('\n'))
                                .toUtf8();
    if (!open())
        return;
    if (m_file.size() > 0 && m_file.size() + line.size() > m_maxBytes) {
        m_file.close();
        QFile::remove(filePath() + QStringLiteral(".1"));
        QFile::rename(filePath(), filePath() + QStringLiteral(".1"));
        if (!open())
            return;
    }
    m_file.write(line);
    m_file.flush();
}

} // namespace ralu
