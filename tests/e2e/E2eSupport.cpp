#include "E2eSupport.h"

#include "audio/WavePcm.h"
#include "skin/PictureButton.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>
#include <QTest>
#include <QThread>

#include <cmath>
#include <csignal>
#include <sys/prctl.h>
#include <sys/resource.h>

namespace ralu::e2e {

namespace {

QString kamailioLogPath()
{
    return providerRunDir() + QStringLiteral("/kamailio.log");
}

// One second of a 440 Hz tone, 8 kHz 16-bit mono.
void writeToneWav(const QString &path)
{
    const int rate = 8000, samples = 8000;
    QByteArray data;
    for (int i = 0; i < samples; ++i) {
        const qint16 v = static_cast<qint16>(8000 * std::sin(2 * M_PI * 440 * i / rate));
        data.append(static_cast<char>(v & 0xff)).append(static_cast<char>((v >> 8) & 0xff));
    }
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(waveFileBytes(WaveFormat { 1, rate, 16 }, data));
}

} // namespace

QString providerRunDir()
{
    // A runner's group of tests has a provider of its own.
    return qEnvironmentVariable("RALU_E2E_RUNDIR", QStringLiteral(RALU_E2E_DEFAULT_RUNDIR));
}

QString sourceDir()
{
    return QStringLiteral(RALU_SOURCE_DIR);
}

bool waitUntil(const std::function<bool()> &done, int ms)
{
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > ms)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(5);
    }
    return true;
}

void pump(int ms)
{
    waitUntil([] { return false; }, ms);
}

void endWithTest(QProcess &process)
{
    process.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
}

// ------------------------------------------------------------- provider log

QString SipRecord::header(const QString &name) const
{
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (const QString &raw : lines) {
        const QString line = raw.trimmed();
        const int colon = line.indexOf(QLatin1Char(':'));
        if (colon > 0 && line.left(colon).trimmed().compare(name, Qt::CaseInsensitive) == 0)
            return line.mid(colon + 1).trimmed();
        if (line.isEmpty())
            break; // end of the headers
    }
    return QString();
}

QString SipRecord::method() const
{
    return firstLine.section(QLatin1Char(' '), 0, 0);
}

ProviderLog::ProviderLog()
{
    QFile file(kamailioLogPath());
    m_start = file.exists() ? file.size() : 0;
}

QString ProviderLog::raw() const
{
    QFile file(kamailioLogPath());
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    file.seek(m_start);
    return QString::fromUtf8(file.readAll());
}

QList<SipRecord> ProviderLog::records() const
{
    QList<SipRecord> out;
    const QStringList lines = raw().split(QLatin1Char('\n'));
    static const QRegularExpression start(QStringLiteral("RALU-SIP-(IN|REPLY) (\\S+) ?(.*)$"));
    SipRecord *open = nullptr;
    bool first = false;
    for (const QString &line : lines) {
        QString clean = line;
        if (clean.endsWith(QLatin1Char('\r')))
            clean.chop(1);
        if (open) {
            if (clean == QLatin1String("RALU-SIP-END")) {
                open = nullptr;
                continue;
            }
            if (first) {
                open->firstLine = clean;
                first = false;
            }
            open->text += clean + QLatin1Char('\n');
            continue;
        }
        const auto match = start.match(clean);
        if (match.hasMatch()) {
            out.append(SipRecord { match.captured(1), QString(), QString(), match.captured(2) });
            open = &out.last();
            first = true;
        }
    }
    return out;
}

QList<SipRecord> ProviderLog::requests(const QString &method) const
{
    QList<SipRecord> out;
    for (const SipRecord &r : records()) {
        if (r.kind == QLatin1String("IN") && r.method() == method)
            out.append(r);
    }
    return out;
}

QStringList ProviderLog::localReplies() const
{
    QStringList out;
    for (const QString &line : raw().split(QLatin1Char('\n'))) {
        const int at = line.indexOf(QLatin1String("RALU-SIP-LOCAL "));
        if (at >= 0)
            out << line.mid(at + 15).trimmed();
    }
    return out;
}

double processCpuSeconds()
{
    rusage use {};
    ::getrusage(RUSAGE_SELF, &use);
    return double(use.ru_utime.tv_sec + use.ru_stime.tv_sec)
        + double(use.ru_utime.tv_usec + use.ru_stime.tv_usec) / 1e6;
}

int openDescriptorCount()
{
    return int(QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::NoDotAndDotDot | QDir::System).size());
}

int registeredPort(const ProviderLog &log)
{
    const auto registers = log.requests(QStringLiteral("REGISTER"));
    if (registers.isEmpty())
        return 0;
    static const QRegularExpression port(QStringLiteral("@127\\.0\\.0\\.1:(\\d+)"));
    return port.match(registers.last().header(QStringLiteral("Contact"))).captured(1).toInt();
}

bool ProviderLog::registered(const QString &source) const
{
    const QStringList accepted = localReplies();
    for (const SipRecord &r : requests(QStringLiteral("REGISTER"))) {
        if (r.source == source
            && accepted.contains(
                QStringLiteral("200 REGISTER %1 OK").arg(r.header(QStringLiteral("Call-ID")))))
            return true;
    }
    return false;
}

// -------------------------------------------------------------------- phone

Phone::Phone(const QString &account, const QString &password, const QString &server, PhoneAudio audio)
    : m_audio(audio)
    , m_store(m_dir.path() + QStringLiteral("/config/settings.ini"))
{
    SavedLogin saved(m_store, QStringLiteral("ralu"));
    LoginValues v;
    v.strUserName = account;
    v.strPassword = password;
    v.strAccountNumber = account;
    v.strAccountPassword = password;
    v.strLoginSIPIP = server;
    v.strSaveFlag = QStringLiteral("yes");
    saved.saveProfile(v);
    m_rtc = std::make_unique<LinphoneRtcClient>(m_dir.path() + QStringLiteral("/sip"));
    m_app = std::make_unique<Softphone>(m_rtc.get(), m_boxes, m_store, QStringLiteral("ralu"), m_dir.path(),
        m_clock, [] { return std::make_unique<AlsaMixerBackend>(); });
}

Phone::~Phone()
{
    m_app->window().hide();
    m_rtc->shutdown();
}

bool Phone::start()
{
    if (m_audio == PhoneAudio::Files) {
        // No sound card here: calls play a tone from a file and record into
        // one, set before start-up asks the client for its sound devices.
        const QString tone = m_dir.path() + QStringLiteral("/play.wav");
        writeToneWav(tone);
        m_rtc->useFilesForAudio(tone, m_dir.path() + QStringLiteral("/received.wav"));
    }
    return m_app->start();
}

bool Phone::waitForStatus(const QString &status, int ms)
{
    return waitUntil([&] { return m_app->engine().presenter().statusText() == status; }, ms);
}

QString Phone::historyText() const
{
    QFile file(m_dir.path() + QStringLiteral("/recentcall.txt"));
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromUtf8(file.readAll());
}

QStringList Phone::historyLines() const
{
    QStringList lines = historyText().split(QStringLiteral("\r\n"));
    lines.removeAll(QString());
    for (QString &line : lines)
        line = line.section(QStringLiteral("  ["), 0, 0);
    return lines;
}

const std::pair<char, const char *> kPadButtons[12] = {
    { '1', "Picture20" },
    { '2', "Picture21" },
    { '3', "Picture22" },
    { '4', "Picture25" },
    { '5', "Picture26" },
    { '6', "Picture27" },
    { '7', "Picture46" },
    { '8', "Picture31" },
    { '9', "Picture32" },
    { '*', "Picture35" },
    { '0', "Picture36" },
    { '#', "Picture37" },
};

bool clickPadKey(Phone &phone, char key)
{
    for (const auto &[character, name] : kPadButtons) {
        if (character != key)
            continue;
        auto *button = phone.app().window().findChild<PictureButton *>(QString::fromLatin1(name));
        if (!button)
            return false;
        QTest::mouseClick(button, Qt::LeftButton);
        return true;
    }
    return false;
}

// --------------------------------------------------------------------- sipp

Sipp::Sipp(const QString &scenario, const QStringList &args)
{
    m_process.setWorkingDirectory(m_dir.path());
    m_process.setProcessChannelMode(QProcess::MergedChannels);
    QStringList all { QStringLiteral("-sf"), sourceDir() + QStringLiteral("/scripts/sipp/") + scenario,
        QStringLiteral("-nostdin"), QStringLiteral("-trace_err") };
    all << args;
    endWithTest(m_process);
    m_process.start(QStringLiteral("sipp"), all);
    m_process.waitForStarted(3000);
}

Sipp::~Sipp()
{
    if (m_process.state() != QProcess::NotRunning) {
        m_process.terminate();
        if (!m_process.waitForFinished(2000))
            m_process.kill();
        m_process.waitForFinished(1000);
    }
}

bool Sipp::waitFinished(int ms)
{
    return waitUntil([&] { return m_process.state() == QProcess::NotRunning; }, ms);
}

int Sipp::exitCode() const
{
    return m_process.state() == QProcess::NotRunning ? m_process.exitCode() : -1;
}

QString Sipp::output() const
{
    m_output += QString::fromUtf8(m_process.readAll());
    return m_output;
}

} // namespace ralu::e2e
