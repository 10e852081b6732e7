// The provider going away and coming back. Its registrations survive a
// plain restart (calls still reach Ralu), and while it is away Ralu does not
// claim to be registered; it registers again soon after the provider is back.
#include "../unit/qt_printers.h"
#include "E2eSupport.h"
#include "sip/LinphoneAccount.h"

#include <QElapsedTimer>
#include <QFile>
#include <gtest/gtest.h>

#include <csignal>
#include <iostream>

using namespace ralu;
using namespace ralu::e2e;

namespace {

const QString kRegistered = QStringLiteral("Registered and Ready...");

// scripts/provider.sh COMMAND RUNDIR [EXTRA...], bounded to 20 s; true when
// it succeeded.
bool provider(const QString &command, const QStringList &extra = {})
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("RALU_BILLING_SERVER"), QStringLiteral(RALU_BILLING_SERVER));
    process.setProcessEnvironment(env);
    process.start(sourceDir() + QStringLiteral("/scripts/provider.sh"),
        QStringList { command, providerRunDir() } + extra);
    const bool done = process.waitForFinished(20000);
    const QByteArray output = process.readAll();
    if (!done || process.exitCode() != 0)
        std::cerr << "provider.sh " << command.toStdString() << ": " << output.toStdString() << std::endl;
    return done && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

// Stops Kamailio by the pid the provider script recorded, as an outage
// would; the billing server goes on.
bool stopKamailio()
{
    QFile file(providerRunDir() + QStringLiteral("/kamailio.pid"));
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const pid_t pid = pid_t(file.readAll().trimmed().toLong());
    if (pid <= 1 || ::kill(pid, SIGTERM) != 0)
        return false;
    QElapsedTimer timer;
    timer.start();
    while (::kill(pid, 0) == 0 && timer.elapsed() < 5000)
        pump(50);
    return ::kill(pid, 0) != 0;
}

// A call from the telephone network to account 1001 that the caller gives up.
QStringList caller(const QString &number)
{
    return { "-i", "127.0.0.1", "-p", "5080", "-mi", "127.0.0.1", "-mp", "17000", "-s", "1001", "-m", "1",
        "-set", "caller_number", number, "-set", "ring_ms", "500", "127.0.0.1:5060" };
}

struct ProviderRestartE2e : ::testing::Test {
    bool restartPlainly = false; // Kamailio was started with settings of a test's own

    // Whatever happened, the next test finds the provider running, as usual.
    void TearDown() override
    {
        LinphoneAccount::setRetryAfterMsForTests(LinphoneAccount::kRetryAfterMs);
        if (restartPlainly)
            stopKamailio();
        if (!provider(QStringLiteral("status")))
            provider(QStringLiteral("start"));
    }
};

} // namespace

TEST_F(ProviderRestartE2e, RegistrationsSurviveAPlainRestart)
{
    Phone phone(QStringLiteral("1001"), QStringLiteral("demo1001"));
    ASSERT_TRUE(phone.start());
    ASSERT_TRUE(phone.waitForStatus(kRegistered, 5000));

    ASSERT_TRUE(provider(QStringLiteral("stop")));
    ASSERT_TRUE(provider(QStringLiteral("start")));
    ProviderLog log; // from the restart on
    Sipp sipp(QStringLiteral("caller-cancel.xml"), caller(QStringLiteral("5550700")));
    EXPECT_TRUE(phone.waitForStatus(QStringLiteral("Incoming: 5550700"), 5000))
        << phone.status().toStdString();
    EXPECT_TRUE(sipp.waitFinished(8000));
    EXPECT_EQ(sipp.exitCode(), 0) << sipp.output().toStdString();
    EXPECT_TRUE(log.requests(QStringLiteral("REGISTER")).isEmpty())
        << "the call found the registration made before the restart";
}

TEST_F(ProviderRestartE2e, ALostRegistrationIsShownAndRegainedWithinAMinuteOfTheProviderComingBack)
{
    Phone phone(QStringLiteral("1001"), QStringLiteral("demo1001"));
    ASSERT_TRUE(phone.start());
    ASSERT_TRUE(phone.waitForStatus(kRegistered, 5000));
    QElapsedTimer clock;
    clock.start();
    QStringList shown; // "seconds since the outage: status"
    QObject::connect(&phone.engine(), &CallEngine::statusTextChanged, [&](const QString &s) {
        shown << QStringLiteral("%1 s: %2").arg(clock.elapsed() / 1000.0, 0, 'f', 1).arg(s);
    });

    ASSERT_TRUE(stopKamailio());
    clock.restart();
    // Noticed at the next keep-alive at the latest (a minute), plus the time
    // a REGISTER to a silent server takes to fail.
    ASSERT_TRUE(waitUntil([&] { return phone.status() != kRegistered; }, 100 * 1000)) << "never noticed";
    const qint64 noticed = clock.elapsed();
    EXPECT_NE(phone.engine().registrationState(), RegistrationState::Registered);
    EXPECT_TRUE(
        phone.status() == QStringLiteral("Not Registered") || phone.status() == QStringLiteral("Registering"))
        << phone.status().toStdString();
    pump(5000);
    EXPECT_NE(phone.status(), kRegistered) << "still away";

    ASSERT_TRUE(provider(QStringLiteral("start")));
    const qint64 back = clock.elapsed();
    EXPECT_TRUE(waitUntil([&] { return phone.status() == kRegistered; }, 60 * 1000))
        << shown.join(", ").toStdString();
    const qint64 regained = clock.elapsed() - back;
    EXPECT_EQ(phone.engine().registrationState(), RegistrationState::Registered);
    EXPECT_EQ(phone.engine().accountLabel(), QStringLiteral("1001"));
    std::cout << "outage noticed after " << noticed / 1000.0 << " s; registered again " << regained / 1000.0
              << " s after the provider was back; shown: " << shown.join(", ").toStdString() << std::endl;

    // Calls reach it again.
    Sipp sipp(QStringLiteral("caller-cancel.xml"), caller(QStringLiteral("5550800")));
    EXPECT_TRUE(phone.waitForStatus(QStringLiteral("Incoming: 5550800"), 5000))
        << phone.status().toStdString();
    EXPECT_TRUE(sipp.waitFinished(8000));
}

TEST_F(ProviderRestartE2e, AnOutageCostsNoDescriptorsAndNoCpu)
{
    ASSERT_TRUE(stopKamailio());
    LinphoneAccount::setRetryAfterMsForTests(1000); // failed registrations tried again at once
    Phone phone(QStringLiteral("1001"), QStringLiteral("demo1001"));
    ASSERT_TRUE(phone.start());
    pump(3000);
    const int descriptors = openDescriptorCount();
    const double cpu = processCpuSeconds();
    pump(40 * 1000); // a REGISTER that never gets its answer, and the next
    const double spent = processCpuSeconds() - cpu;
    const int grown = openDescriptorCount() - descriptors;
    LinphoneAccount::setRetryAfterMsForTests(LinphoneAccount::kRetryAfterMs);
    std::cout << "outage of 40 s: " << spent << " s of CPU, descriptors " << descriptors << " -> "
              << descriptors + grown << std::endl;
    EXPECT_LT(spent, 1.0);
    EXPECT_LE(grown, 0);

    ASSERT_TRUE(provider(QStringLiteral("start")));
    EXPECT_TRUE(waitUntil([&] { return phone.status() == kRegistered; }, 40 * 1000))
        << phone.status().toStdString();
    EXPECT_LE(openDescriptorCount(), descriptors + 1);
}

// A first registration that cannot be made (the provider down at start) is
// shown as such within a minute, and tried again (every 2 s here) without
// flapping back to "Registering" while the provider stays away.
TEST_F(ProviderRestartE2e, AProviderDownAtStartShowsNotRegisteredAndRegistersOnceBack)
{
    LinphoneAccount::setRetryAfterMsForTests(2000);
    ASSERT_TRUE(stopKamailio());
    Phone phone(QStringLiteral("1001"), QStringLiteral("demo1001"));
    QStringList shown;
    QObject::connect(&phone.engine(), &CallEngine::statusTextChanged, [&](const QString &s) { shown << s; });
    ASSERT_TRUE(phone.start());
    EXPECT_TRUE(phone.waitForStatus(QStringLiteral("Not Registered"), 60 * 1000))
        << shown.join(", ").toStdString();
    pump(7000); // three retries
    EXPECT_EQ(shown.mid(shown.indexOf(QStringLiteral("Not Registered"))), QStringList { "Not Registered" });

    ASSERT_TRUE(provider(QStringLiteral("start")));
    EXPECT_TRUE(phone.waitForStatus(kRegistered, 10 * 1000)) << shown.join(", ").toStdString();
}

// Logging in as another account takes the old one off the provider even
// when the provider challenges its un-REGISTER (its nonce has expired): a
// call to the old number then finds nobody there.
TEST_F(ProviderRestartE2e, SwitchingAccountsUnregistersTheOldOneThroughAStaleNonce)
{
    ASSERT_TRUE(stopKamailio());
    restartPlainly = true;
    ASSERT_TRUE(provider(QStringLiteral("start"), { "--nonce-expire=2" }));
    Phone phone(QStringLiteral("1001"), QStringLiteral("demo1001"));
    ASSERT_TRUE(phone.start());
    ASSERT_TRUE(phone.waitForStatus(kRegistered, 5000));
    pump(3000); // the registration's nonce goes stale

    ProviderLog log;
    LoginValues &login = phone.app().state().login;
    login.strUserName = login.strDisplayName = QStringLiteral("1002");
    login.strPassword = QStringLiteral("demo1002");
    phone.engine().registerAccount();
    ASSERT_TRUE(waitUntil([&] { return phone.engine().accountLabel() == QStringLiteral("1002"); }, 5000));

    // The old un-REGISTER was challenged, and answered.
    QString callId;
    for (const SipRecord &r : log.requests(QStringLiteral("REGISTER")))
        if (r.header(QStringLiteral("From")).contains(QStringLiteral("sip:1001@")))
            callId = r.header(QStringLiteral("Call-ID"));
    ASSERT_FALSE(callId.isEmpty()) << log.raw().toStdString();
    EXPECT_TRUE(waitUntil(
        [&] {
            const QStringList replies = log.localReplies().filter(callId);
            return replies.size() >= 2 && replies.first().startsWith(QStringLiteral("401"))
                && replies.last().startsWith(QStringLiteral("200"));
        },
        3000))
        << log.localReplies().join('\n').toStdString();
    Sipp caller(QStringLiteral("caller-expect-unavailable.xml"),
        { "-i", "127.0.0.1", "-p", "5080", "-mi", "127.0.0.1", "-mp", "17000", "-s", "1001", "-m", "1",
            "127.0.0.1:5060" });
    EXPECT_TRUE(caller.waitFinished(5000));
    EXPECT_EQ(caller.exitCode(), 0) << "1001 answered 480: " << caller.output().toStdString();
}
