// Balance and credit-time queries end to end: Ralu's real start-up,
// registration and calls against the local provider's billing server on
// 127.0.0.1:8088, which is told through its control request how to answer.
// What reached the server is read back from its log, byte for byte.
#include "../unit/CallEngineTestAccess.h"
#include "../unit/qt_printers.h"
#include "BillingSupport.h"
#include "E2eSupport.h"
#include "LoopbackCapture.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QLabel>
#include <QTest>
#include <QTimer>
#include <cstdio>
#include <gtest/gtest.h>

using namespace ralu;
using namespace ralu::e2e;

namespace {

const QStringList kFarEnd { "-i", "127.0.0.1", "-p", "5070", "-mi", "127.0.0.1", "-mp", "16000", "-m", "1",
    "-rtp_echo" };
const QString kRegistered = QStringLiteral("Registered and Ready...");
constexpr int kTimeOutMs = 3000; // the HTTP client's

const QByteArray kBalanceLine = "GET /customer/account/showaccountbalance1.aspx?pin=1001 HTTP/1.1";
const QByteArray kCreditLine = "POST /customer/account/GetCreditTime.aspx HTTP/1.1";

struct BillingE2e : ::testing::Test {
    void SetUp() override { ASSERT_TRUE(control("reset=1")) << "billing server on 127.0.0.1:8088"; }
    void TearDown() override { control("reset=1"); }

    static QString balanceLabel(Phone &phone)
    {
        return phone.app().window().findChild<QLabel *>(QStringLiteral("lblBalance"))->text();
    }
    // Waits for the label to read text, then a moment more: a reply still
    // on its way would change it.
    static bool balanceShows(Phone &phone, const QString &text, int ms = 3000)
    {
        if (!waitUntil([&] { return balanceLabel(phone) == text; }, ms))
            return false;
        pump(300);
        return balanceLabel(phone) == text;
    }

    // A phone for 1001 that has started and shows the start-up balance.
    static std::unique_ptr<Phone> startedPhone()
    {
        auto phone = std::make_unique<Phone>(QStringLiteral("1001"), QStringLiteral("demo1001"));
        if (!phone->start() || !waitUntil([&] { return balanceLabel(*phone) == "Balance :12.50"; }, 3000))
            return nullptr;
        return phone;
    }

    // A registered phone for 1001 whose start-up balance (12.50) came late:
    // the registration's query waited behind it and met the server as form
    // told it. log starts with that query.
    std::unique_ptr<Phone> registeredBehindASlowStartUp(const QByteArray &form)
    {
        if (!control("reset=1&mode=slow&target=balance&delay_ms=1500"))
            return nullptr;
        const BillingLog startUp;
        auto phone = std::make_unique<Phone>(QStringLiteral("1001"), QStringLiteral("demo1001"));
        if (!phone->start() || !phone->waitForStatus(kRegistered, 1400) || !balanceLabel(*phone).isEmpty())
            return nullptr;
        // On a busy machine the start-up query may reach the server only now:
        // it must not count as the registration's.
        if (!waitUntil([&] { return startUp.requests().size() == 1; }, 1000))
            return nullptr;
        log = BillingLog();
        if (!control("reset=1") || !control(form))
            return nullptr;
        // The next reply may follow at once: the texts are watched, not polled.
        QStringList shown;
        QObject watch;
        QObject::connect(&phone->engine().presenter(), &MainPresenter::balanceTextChanged, &watch,
            [&](const QString &text) { shown << text; });
        return waitUntil([&] { return shown.value(0) == QStringLiteral("Balance :12.50"); }, 3000)
            ? std::move(phone)
            : nullptr;
    }

    BillingLog log;

    // Places a call to 5551234 (answered by the far end) and waits until it
    // is connected and the first second has been counted.
    static bool callAndWaitFirstTick(Phone &phone)
    {
        // The account time keeps the last call's text until the first tick.
        int ticks = 0;
        QObject ticksSeen;
        QObject::connect(&phone.engine().presenter(), &MainPresenter::accountTimeTextChanged, &ticksSeen,
            [&] { ++ticks; });
        phone.engine().presenter().setNumberText(QStringLiteral("5551234"));
        phone.app().dialer().makeCall();
        if (!phone.waitForStatus(QStringLiteral("Connected"), 8000))
            return false;
        return waitUntil([&] { return ticks > 0; }, 3000);
    }
};

} // namespace

TEST_F(BillingE2e, BalanceAtStartUpAtRegistrationAndAroundACallWithTheCountdownFromTheCreditTime)
{
    BillingLog all;
    // The start-up's balance, asked before the client exists; then the
    // registration's, once that has come.
    auto phone = registeredBehindASlowStartUp("account=1001&balance=11.25");
    ASSERT_TRUE(phone);
    EXPECT_TRUE(balanceShows(*phone, QStringLiteral("Balance :11.25"))) << balanceLabel(*phone).toStdString();

    ASSERT_TRUE(control("account=1001&balance=10.00"));
    Sipp farEnd(QStringLiteral("farend-answer.xml"), kFarEnd);
    pump(300);
    ASSERT_TRUE(callAndWaitFirstTick(*phone)) << phone->status().toStdString();
    EXPECT_TRUE(balanceShows(*phone, QStringLiteral("Balance :10.00"))) << balanceLabel(*phone).toStdString();
    // 3725 s is 1:02:05; the first tick counts one second off.
    EXPECT_EQ(
        CallEngineTestAccess::accountTimeText(phone->engine()), QStringLiteral("Account's Time: 01:02:04"));
    EXPECT_EQ(phone->app().window().findChild<QLabel *>(QStringLiteral("timeMsg1"))->text(),
        QStringLiteral("Account's Time: 01:02:04"));
    ASSERT_TRUE(waitUntil(
        [&] {
            return CallEngineTestAccess::accountTimeText(phone->engine())
                != QStringLiteral("Account's Time: 01:02:04");
        },
        2500));
    EXPECT_EQ(
        CallEngineTestAccess::accountTimeText(phone->engine()), QStringLiteral("Account's Time: 01:02:03"));

    ASSERT_TRUE(control("account=1001&balance=9.40"));
    phone->app().dialer().endButton();
    ASSERT_TRUE(phone->waitForStatus(QStringLiteral("Registered and Ready.."), 5000))
        << phone->status().toStdString();
    EXPECT_TRUE(balanceShows(*phone, QStringLiteral("Balance :9.40"))) << balanceLabel(*phone).toStdString();
    EXPECT_TRUE(farEnd.waitFinished(5000));

    // What crossed the wire, in order: start-up, registration, connection
    // (credit time first, then balance), disconnection.
    const QList<HttpRecord> requests = all.requests();
    ASSERT_EQ(all.requestLines(),
        (QList<QByteArray> { kBalanceLine, kBalanceLine, kCreditLine, kBalanceLine, kBalanceLine }))
        << all.raw().toStdString();
    for (const HttpRecord &r : requests) {
        EXPECT_EQ(r.header("Host"), QList<QByteArray> { "127.0.0.1:8088" });
        if (r.requestLine().startsWith("GET")) {
            EXPECT_TRUE(r.header("Content-Type").isEmpty()) << r.raw.toStdString();
            EXPECT_TRUE(r.header("Content-Length").isEmpty()) << r.raw.toStdString();
            EXPECT_TRUE(r.body().isEmpty()) << r.raw.toStdString();
        }
    }
    const HttpRecord &credit = requests[2];
    EXPECT_EQ(credit.header("Content-Type"), QList<QByteArray> { "application/x-www-form-urlencoded" });
    EXPECT_EQ(credit.header("Content-Length"), QList<QByteArray> { "8" });
    EXPECT_EQ(credit.body(), QByteArray("pin=1001"));
}

TEST_F(BillingE2e, UnknownAccountShowsZero)
{
    BillingLog log;
    Phone phone(QStringLiteral("1009"), QStringLiteral("whatever"));
    ASSERT_TRUE(phone.start());
    EXPECT_TRUE(balanceShows(phone, QStringLiteral("Balance :0.00"))) << balanceLabel(phone).toStdString();
    ASSERT_FALSE(log.requests().isEmpty());
    EXPECT_EQ(log.requests().first().requestLine(),
        QByteArray("GET /customer/account/showaccountbalance1.aspx?pin=1009 HTTP/1.1"));
}

TEST_F(BillingE2e, OddBalanceRepliesAtRegistration)
{
    struct Case {
        QByteArray form;
        QString label;
    };
    const Case cases[] = {
        { "mode=status&code=404&target=balance", QString() },
        { "mode=status&code=500&target=balance", QString() },
        { "mode=untagged&target=balance", QStringLiteral("Balance :Your balance is 12.50 USD") },
        { "mode=notexist&target=balance", QStringLiteral("Balance :0.00") },
        { "mode=noclose&target=balance&account=1001&balance=7", QStringLiteral("Balance :7") },
        { "account=1001&balance=+12.50+", QStringLiteral("Balance : 12.50 ") }, // form: "+" is a blank
        { "mode=text&target=balance&text=", QStringLiteral("Balance :12.50") }, // 200, empty: unchanged
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.form.toStdString());
        auto phone = registeredBehindASlowStartUp(c.form);
        ASSERT_TRUE(phone);
        EXPECT_TRUE(balanceShows(*phone, c.label)) << balanceLabel(*phone).toStdString();
        EXPECT_EQ(log.requestLines(), QList<QByteArray> { kBalanceLine });
    }
}

TEST_F(BillingE2e, SilentOrSlowServerHoldsNothingAndChangesNothing)
{
    for (const QByteArray &form :
        { QByteArray("mode=silent&target=balance"), QByteArray("mode=slow&target=balance&delay_ms=6000") }) {
        SCOPED_TRACE(form.toStdString());
        auto phone = registeredBehindASlowStartUp(form);
        ASSERT_TRUE(phone);
        // While the registration's query waits, a 10 ms timer keeps its pace.
        QElapsedTimer sinceTick;
        qint64 longestPause = 0;
        QTimer probe;
        QObject::connect(
            &probe, &QTimer::timeout, [&] { longestPause = std::max(longestPause, sinceTick.restart()); });
        sinceTick.start();
        probe.start(10);
        pump(kTimeOutMs + 500);
        probe.stop();
        EXPECT_LT(longestPause, 300);
        EXPECT_EQ(balanceLabel(*phone), QStringLiteral("Balance :12.50"));
        EXPECT_EQ(log.requestLines(), QList<QByteArray> { kBalanceLine });
        // Given up at the time-out: the connection was closed by Ralu.
        if (form.startsWith("mode=silent")) {
            EXPECT_TRUE(waitUntil([&] { return log.raw().contains("RALU-HTTP-CLOSED"); }, 2000))
                << log.raw().toStdString();
        }
    }
}

TEST_F(BillingE2e, BalanceRepliesThatCannotBeTakenChangeNothingAndAreGivenUpAtOnce)
{
    const QByteArray forms[] = {
        "mode=cut&target=balance", // half the announced length, then closed
        "mode=reset&target=balance", // the same, then reset
        "mode=unfinished&target=balance", // chunks without the last one
        "mode=endless&target=balance",
        "mode=oversize&target=balance&size=4194304", // whole, 4 MB
        "mode=deflate&target=balance", // compressed
    };
    for (const QByteArray &form : forms) {
        SCOPED_TRACE(form.toStdString());
        // Taken, any of these replies would show the new amount.
        auto phone = registeredBehindASlowStartUp(form + "&account=1001&balance=7");
        ASSERT_TRUE(phone);
        // The queries go one at a time: one asked now answers once the
        // registration's has been given up.
        QElapsedTimer took;
        took.start();
        bool answered = false;
        phone->app().billing().updateBalance([&](const std::optional<QString> &) { answered = true; });
        ASSERT_TRUE(waitUntil([&] { return answered; }, 5000 + kTimeOutMs));
        EXPECT_LT(took.elapsed(), 1000) << "given up long before the time-out";
        EXPECT_EQ(balanceLabel(*phone), QStringLiteral("Balance :12.50"));
        EXPECT_EQ(log.requestLines(), (QList<QByteArray> { kBalanceLine, kBalanceLine }));
        EXPECT_TRUE(log.raw().contains("RALU-HTTP-BROKEN")) << log.raw().toStdString();
    }
}

TEST_F(BillingE2e, StartUpWithASilentServerWaitsForNothing)
{
    ASSERT_TRUE(control("mode=silent"));
    Phone phone(QStringLiteral("1001"), QStringLiteral("demo1001"));
    QElapsedTimer started;
    started.start();
    ASSERT_TRUE(phone.start());
    EXPECT_LT(started.elapsed(), kTimeOutMs - 1000);
    EXPECT_TRUE(phone.app().window().isVisible());
    EXPECT_TRUE(phone.waitForStatus(kRegistered, 5000)) << phone.status().toStdString();
    EXPECT_EQ(registrationWord(phone.engine().registration().state()), QStringLiteral("REGISTERED"));
    pump(2 * kTimeOutMs); // the start-up's and the registration's queries give up
    EXPECT_TRUE(balanceLabel(phone).isEmpty());
}

TEST_F(BillingE2e, CreditTimeWithoutAGoodAnswerReusesTheLastGoodOne)
{
    ASSERT_TRUE(control("account=1001&credit=3725"));
    auto phone = startedPhone();
    ASSERT_TRUE(phone);
    ASSERT_TRUE(phone->waitForStatus(kRegistered, 5000));
    QStringList farEndArgs = kFarEnd;
    farEndArgs[farEndArgs.indexOf("-m") + 1] = QStringLiteral("4");
    Sipp farEnd(QStringLiteral("farend-answer.xml"), farEndArgs);
    pump(300);

    // Talk time left plus call time shown, once the countdown has started:
    // 3725 - n and n - 1 at the n-th tick, whenever the answer came.
    auto seconds = [](const QString &text) {
        const QStringList parts = text.right(8).split(QLatin1Char(':'));
        return parts.size() == 3 ? parts[0].toInt() * 3600 + parts[1].toInt() * 60 + parts[2].toInt() : -1;
    };
    auto oneCall = [&](const QByteArray &form) -> int {
        if (!control(form) || !callAndWaitFirstTick(*phone))
            return -1;
        CallEngine &engine = phone->engine();
        const bool started = waitUntil(
            [&] {
                return CallEngineTestAccess::accountTimeText(engine)
                    != QStringLiteral("Account's Time: 0:0:00");
            },
            kTimeOutMs + 2000);
        const int sum = started ? seconds(CallEngineTestAccess::accountTimeText(engine))
                + seconds(CallEngineTestAccess::callTimeText(engine))
                                : -2;
        phone->app().dialer().endButton();
        return phone->waitForStatus(QStringLiteral("Registered and Ready.."), 8000) ? sum : -3;
    };

    EXPECT_EQ(oneCall("mode=normal"), 3724);
    // No reply: the last reply's 3725 again, once the query has given up.
    EXPECT_EQ(oneCall("mode=silent&target=credit"), 3724);
    // An error page, and a reply cut off ("37" of "3725"): the last good
    // reply's 3725 again.
    EXPECT_EQ(oneCall("mode=status&code=404&target=credit"), 3724);
    EXPECT_EQ(oneCall("mode=cut&target=credit"), 3724);
    EXPECT_TRUE(farEnd.waitFinished(5000));
}

// The connection's queries wait for a server that never answers, and
// nothing else waits for them: the clock's first second ticks one second
// after the 200 OK, and the end button's BYE leaves at once.
TEST_F(BillingE2e, SilentServerDelaysNeitherTheCallClockNorTheEndButton)
{
    auto phone = startedPhone();
    ASSERT_TRUE(phone);
    ASSERT_TRUE(phone->waitForStatus(kRegistered, 5000));
    ASSERT_TRUE(balanceShows(*phone, QStringLiteral("Balance :12.50")));
    ASSERT_TRUE(control("mode=silent"));
    LoopbackCapture capture(QStringLiteral("udp port 5060"));
    ASSERT_TRUE(capture.started()) << capture.log().toStdString();
    Sipp farEnd(QStringLiteral("farend-answer.xml"), kFarEnd);
    pump(300);
    BillingLog log;
    qint64 firstTickAt = 0; // wall clock, ms
    QObject seen;
    QObject::connect(
        &phone->engine().presenter(), &MainPresenter::callTimeTextChanged, &seen, [&](const QString &text) {
            if (!text.isEmpty() && firstTickAt == 0)
                firstTickAt = QDateTime::currentMSecsSinceEpoch();
        });
    phone->engine().presenter().setNumberText(QStringLiteral("5551234"));
    phone->app().dialer().makeCall();
    ASSERT_TRUE(phone->waitForStatus(QStringLiteral("Connected"), 8000)) << phone->status().toStdString();
    ASSERT_TRUE(waitUntil([&] { return firstTickAt != 0; }, 3000));
    EXPECT_EQ(CallEngineTestAccess::callTimeText(phone->engine()), QStringLiteral("00:00:00"));
    pump(300);
    // The credit-time query waits for its reply; the balance's waits behind it.
    ASSERT_EQ(log.requestLines(), QList<QByteArray> { kCreditLine });
    ASSERT_FALSE(log.raw().contains("RALU-HTTP-CLOSED")) << log.raw().toStdString();
    const qint64 clickAt = QDateTime::currentMSecsSinceEpoch();
    QTest::mouseClick(phone->app().window().button(MainControl::EndButton), Qt::LeftButton);
    ASSERT_TRUE(phone->waitForStatus(QStringLiteral("Registered and Ready.."), 5000))
        << phone->status().toStdString();
    EXPECT_TRUE(farEnd.waitFinished(5000));

    const QList<double> ok = capture.times(
        QStringLiteral("sip.Status-Code == 200 && sip.CSeq.method == \"INVITE\" && udp.srcport == 5060"));
    const QList<double> bye = capture.times(QStringLiteral("sip.Method == \"BYE\" && udp.dstport == 5060"));
    ASSERT_FALSE(ok.isEmpty()) << capture.log().toStdString();
    ASSERT_FALSE(bye.isEmpty()) << capture.log().toStdString();
    const double tickAfterOk = firstTickAt - ok.first() * 1000;
    const double byeAfterClick = bye.first() * 1000 - clickAt;
    std::printf(
        "first tick %.1f ms after the 200 OK; BYE %.1f ms after the click\n", tickAfterOk, byeAfterClick);
    EXPECT_NEAR(tickAfterOk, 1000, 100);
    EXPECT_GE(byeAfterClick, 0);
    EXPECT_LT(byeAfterClick, 100);
}
