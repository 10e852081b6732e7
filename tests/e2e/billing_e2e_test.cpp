// Balance and credit-time queries end to end: Ralu's real start-up,
// registration and calls against the local provider's billing server on
// 127.0.0.1:8088, which is told through its control request how to answer.
// What reached the server is read back from its log, byte for byte.
#include "../unit/qt_printers.h"
#include "E2eSupport.h"

#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QTcpSocket>
#include <QTimer>
#include <gtest/gtest.h>

using namespace ralu;
using namespace ralu::e2e;

namespace {

const QStringList kFarEnd { "-i", "127.0.0.1", "-p", "5070", "-mi", "127.0.0.1", "-mp", "16000", "-m", "1",
    "-rtp_echo" };
const QString kRegistered = QStringLiteral("Registered and Ready...");
constexpr int kTimeOutMs = 3000; // the HTTP client's

// Tells the billing server how to answer (see scripts/PROVIDER.md). Blocking
// socket calls only: no event of the phone under test runs meanwhile.
bool control(const QByteArray &form)
{
    QTcpSocket socket;
    socket.connectToHost(QStringLiteral("127.0.0.1"), 8088);
    if (!socket.waitForConnected(2000))
        return false;
    socket.write("POST /control HTTP/1.1\r\nHost: 127.0.0.1:8088\r\n"
                 "Content-Type: application/x-www-form-urlencoded\r\nContent-Length: "
        + QByteArray::number(form.size()) + "\r\nConnection: close\r\n\r\n" + form);
    if (!socket.waitForBytesWritten(2000))
        return false;
    QByteArray reply;
    while (socket.state() == QAbstractSocket::ConnectedState && socket.waitForReadyRead(2000))
        reply += socket.readAll();
    reply += socket.readAll();
    return reply.startsWith("HTTP/1.1 200 ");
}

// One request as the billing server read it.
struct HttpRecord {
    QByteArray raw;
    QByteArray requestLine() const { return raw.left(raw.indexOf("\r\n")); }
    QByteArray body() const { return raw.mid(raw.indexOf("\r\n\r\n") + 4); }
    // Every value of a header, in order.
    QList<QByteArray> header(const QByteArray &name) const
    {
        QList<QByteArray> out;
        const QList<QByteArray> lines = raw.left(raw.indexOf("\r\n\r\n")).split('\n');
        for (int i = 1; i < lines.size(); ++i) {
            const int colon = lines[i].indexOf(':');
            if (colon > 0 && lines[i].left(colon).toLower() == name.toLower())
                out << lines[i].mid(colon + 1).trimmed();
        }
        return out;
    }
};

// The billing server's log from the moment this object was made.
class BillingLog {
public:
    BillingLog() { m_start = QFile(path()).size(); }
    static QString path() { return providerRunDir() + QStringLiteral("/billing.log"); }

    QByteArray raw() const
    {
        QFile file(path());
        if (!file.open(QIODevice::ReadOnly))
            return {};
        file.seek(m_start);
        return file.readAll();
    }

    // "RALU-HTTP-IN SEQ PEER LENGTH\n" + LENGTH bytes + "\nRALU-HTTP-END\n".
    QList<HttpRecord> requests() const
    {
        QList<HttpRecord> out;
        const QByteArray text = raw();
        int at = 0;
        while ((at = text.indexOf("RALU-HTTP-IN ", at)) >= 0) {
            const int eol = text.indexOf('\n', at);
            const QList<QByteArray> words = text.mid(at, eol - at).split(' ');
            const int length = words.value(3).toInt();
            out << HttpRecord { text.mid(eol + 1, length) };
            at = eol + 1 + length;
        }
        return out;
    }

    QList<QByteArray> requestLines() const
    {
        QList<QByteArray> lines;
        for (const HttpRecord &r : requests())
            lines << r.requestLine();
        return lines;
    }

private:
    qint64 m_start = 0;
};

const QByteArray kBalanceLine = "GET /customer/account/showaccountbalance1.aspx?pin=1001 HTTP/1.1";
const QByteArray kCreditLine = "POST /customer/account/GetCreditTime.aspx HTTP/1.1";

struct BillingE2e : ::testing::Test {
    void SetUp() override { ASSERT_TRUE(control("reset=1")) << "billing server on 127.0.0.1:8088"; }
    void TearDown() override { control("reset=1"); }

    static QString balanceLabel(Phone &phone)
    {
        return phone.app().window().findChild<QLabel *>(QStringLiteral("lblBalance"))->text();
    }

    // A phone for 1001 that has started (showing the start-up balance).
    static std::unique_ptr<Phone> startedPhone()
    {
        auto phone = std::make_unique<Phone>(QStringLiteral("1001"), QStringLiteral("demo1001"));
        if (!phone->start())
            return nullptr;
        return phone;
    }

    // Places a call to 5551234 (answered by the far end) and waits until it
    // is connected and the first second has been counted.
    static bool callAndWaitFirstTick(Phone &phone)
    {
        // The account time keeps the last call's text until the first tick.
        int ticks = 0;
        QObject ticksSeen;
        QObject::connect(&phone.engine(), &CallEngine::accountTimeTextChanged, &ticksSeen, [&] { ++ticks; });
        phone.engine().setNumberText(QStringLiteral("5551234"));
        phone.app().dialer().makeCall();
        if (!phone.waitForStatus(QStringLiteral("Connected"), 8000))
            return false;
        return waitUntil([&] { return ticks > 0; }, 3000);
    }
};

} // namespace

TEST_F(BillingE2e, BalanceAtStartUpAtRegistrationAndAroundACallWithTheCountdownFromTheCreditTime)
{
    BillingLog log;
    ASSERT_TRUE(control("account=1001&balance=12.50&credit=3725"));
    auto phone = startedPhone();
    ASSERT_TRUE(phone);
    // Start-up asks before the client exists: the label is there at once.
    EXPECT_EQ(balanceLabel(*phone), QStringLiteral("Balance :12.50"));
    EXPECT_NE(phone->status(), kRegistered);

    ASSERT_TRUE(control("account=1001&balance=11.25"));
    ASSERT_TRUE(phone->waitForStatus(kRegistered, 5000)) << phone->status().toStdString();
    EXPECT_EQ(balanceLabel(*phone), QStringLiteral("Balance :11.25"));

    ASSERT_TRUE(control("account=1001&balance=10.00"));
    Sipp farEnd(QStringLiteral("farend-answer.xml"), kFarEnd);
    pump(300);
    ASSERT_TRUE(callAndWaitFirstTick(*phone)) << phone->status().toStdString();
    EXPECT_EQ(balanceLabel(*phone), QStringLiteral("Balance :10.00"));
    // 3725 s is 1:02:05; the first tick counts one second off.
    EXPECT_EQ(phone->engine().accountTimeText(), QStringLiteral("Account's Time: 01:02:04"));
    EXPECT_EQ(phone->app().window().findChild<QLabel *>(QStringLiteral("timeMsg1"))->text(),
        QStringLiteral("Account's Time: 01:02:04"));
    ASSERT_TRUE(waitUntil(
        [&] { return phone->engine().accountTimeText() != QStringLiteral("Account's Time: 01:02:04"); },
        2500));
    EXPECT_EQ(phone->engine().accountTimeText(), QStringLiteral("Account's Time: 01:02:03"));

    ASSERT_TRUE(control("account=1001&balance=9.40"));
    phone->app().dialer().endButton();
    ASSERT_TRUE(phone->waitForStatus(QStringLiteral("Registered and Ready.."), 5000))
        << phone->status().toStdString();
    EXPECT_EQ(balanceLabel(*phone), QStringLiteral("Balance :9.40"));
    EXPECT_TRUE(farEnd.waitFinished(5000));

    // What crossed the wire, in order: start-up, registration, connection
    // (credit time first, then balance), disconnection.
    const QList<HttpRecord> requests = log.requests();
    ASSERT_EQ(log.requestLines(),
        (QList<QByteArray> { kBalanceLine, kBalanceLine, kCreditLine, kBalanceLine, kBalanceLine }))
        << log.raw().toStdString();
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
    EXPECT_EQ(balanceLabel(phone), QStringLiteral("Balance :0.00"));
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
        ASSERT_TRUE(control("reset=1"));
        auto phone = startedPhone();
        ASSERT_TRUE(phone);
        ASSERT_EQ(balanceLabel(*phone), QStringLiteral("Balance :12.50"));
        BillingLog log;
        ASSERT_TRUE(control(c.form));
        ASSERT_TRUE(phone->waitForStatus(kRegistered, 5000)) << phone->status().toStdString();
        EXPECT_EQ(balanceLabel(*phone), c.label);
        EXPECT_EQ(log.requestLines(), QList<QByteArray> { kBalanceLine });
    }
}

TEST_F(BillingE2e, SilentOrSlowServerHoldsTheWindowNoLongerThanTheTimeOutAndChangesNothing)
{
    for (const QByteArray &form :
        { QByteArray("mode=silent&target=balance"), QByteArray("mode=slow&target=balance&delay_ms=6000") }) {
        SCOPED_TRACE(form.toStdString());
        ASSERT_TRUE(control("reset=1"));
        auto phone = startedPhone();
        ASSERT_TRUE(phone);
        ASSERT_EQ(balanceLabel(*phone), QStringLiteral("Balance :12.50"));
        ASSERT_TRUE(control(form));
        BillingLog log;

        // From the moment the status reads "Registered and Ready..." until the
        // registration handler (and its query) is over.
        QElapsedTimer held;
        QObject::connect(&phone->engine(), &CallEngine::statusTextChanged, [&](const QString &s) {
            if (s == kRegistered)
                held.start();
        });
        // Meanwhile the window's own timers run, and the new status is
        // already on the window.
        QString shownWhileWaiting;
        bool waitingSeen = false;
        QTimer probe;
        QObject::connect(&probe, &QTimer::timeout, [&] {
            if (phone->engine().queryWaiting() && !waitingSeen) {
                waitingSeen = true;
                shownWhileWaiting
                    = phone->app().window().findChild<QLabel *>(QStringLiteral("lblMsg"))->text();
            }
        });
        probe.start(100);
        ASSERT_TRUE(phone->waitForStatus(kRegistered, 5000 + kTimeOutMs)) << phone->status().toStdString();
        ASSERT_TRUE(held.isValid());
        const qint64 ms = held.elapsed();
        probe.stop();
        EXPECT_GE(ms, kTimeOutMs - 200) << "the query waited for its time-out";
        EXPECT_LT(ms, kTimeOutMs + 1500) << "and no longer";
        EXPECT_TRUE(waitingSeen);
        EXPECT_EQ(shownWhileWaiting, kRegistered);
        EXPECT_EQ(balanceLabel(*phone), QStringLiteral("Balance :12.50"));
        EXPECT_EQ(log.requestLines(), QList<QByteArray> { kBalanceLine });
        // The abandoned request's connection was closed by Ralu.
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
        ASSERT_TRUE(control("reset=1"));
        auto phone = startedPhone();
        ASSERT_TRUE(phone);
        ASSERT_EQ(balanceLabel(*phone), QStringLiteral("Balance :12.50"));
        // Taken, any of these replies would show the new amount.
        ASSERT_TRUE(control(form + "&account=1001&balance=7"));
        BillingLog log;
        QElapsedTimer held;
        QObject::connect(&phone->engine(), &CallEngine::statusTextChanged, [&](const QString &s) {
            if (s == kRegistered)
                held.start();
        });
        ASSERT_TRUE(phone->waitForStatus(kRegistered, 5000 + kTimeOutMs)) << phone->status().toStdString();
        ASSERT_TRUE(held.isValid());
        EXPECT_LT(held.elapsed(), 1000) << "given up long before the time-out";
        EXPECT_EQ(balanceLabel(*phone), QStringLiteral("Balance :12.50"));
        EXPECT_EQ(log.requestLines(), QList<QByteArray> { kBalanceLine });
        EXPECT_TRUE(log.raw().contains("RALU-HTTP-BROKEN")) << log.raw().toStdString();
    }
}

TEST_F(BillingE2e, StartUpWithASilentServerGoesOnAfterTheTimeOut)
{
    ASSERT_TRUE(control("mode=silent"));
    Phone phone(QStringLiteral("1001"), QStringLiteral("demo1001"));
    QElapsedTimer started;
    started.start();
    ASSERT_TRUE(phone.start());
    const qint64 ms = started.elapsed();
    EXPECT_LT(ms, kTimeOutMs + 1500);
    EXPECT_TRUE(balanceLabel(phone).isEmpty());
    EXPECT_TRUE(phone.app().window().isVisible());
    // The registration's query waits its time-out too; the phone registers.
    EXPECT_TRUE(phone.waitForStatus(kRegistered, 5000 + kTimeOutMs)) << phone.status().toStdString();
    EXPECT_EQ(registrationWord(phone.engine().registrationState()), QStringLiteral("REGISTERED"));
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

    auto oneCall = [&](const QByteArray &form) -> QString {
        if (!control(form))
            return QStringLiteral("control failed");
        if (!callAndWaitFirstTick(*phone))
            return QStringLiteral("no call: ") + phone->status();
        const QString shown = phone->engine().accountTimeText();
        phone->app().dialer().endButton();
        if (!phone->waitForStatus(QStringLiteral("Registered and Ready.."), 8000))
            return QStringLiteral("not ended: ") + phone->status();
        return shown;
    };

    EXPECT_EQ(oneCall("mode=normal"), QStringLiteral("Account's Time: 01:02:04"));
    // No reply: the last reply's 3725 again, not what the last call left.
    EXPECT_EQ(oneCall("mode=silent&target=credit"), QStringLiteral("Account's Time: 01:02:04"));
    // An error page, and a reply cut off ("37" of "3725"): the last good
    // reply's 3725 again.
    EXPECT_EQ(oneCall("mode=status&code=404&target=credit"), QStringLiteral("Account's Time: 01:02:04"));
    EXPECT_EQ(oneCall("mode=cut&target=credit"), QStringLiteral("Account's Time: 01:02:04"));
    EXPECT_TRUE(farEnd.waitFinished(5000));
}

TEST_F(BillingE2e, HeldClientEventsFollowOnceReleased)
{
    auto phone = startedPhone();
    ASSERT_TRUE(phone);
    ASSERT_TRUE(phone->waitForStatus(kRegistered, 5000));
    Sipp farEnd(QStringLiteral("farend-answer.xml"), kFarEnd);
    pump(300);
    QStringList statuses;
    QObject::connect(
        &phone->engine(), &CallEngine::statusTextChanged, [&](const QString &s) { statuses << s; });

    phone->rtc().holdEvents();
    phone->engine().setNumberText(QStringLiteral("5551234"));
    phone->app().dialer().makeCall();
    pump(2500); // the far end answers after one second
    EXPECT_TRUE(statuses.isEmpty()) << statuses.join(',').toStdString();
    EXPECT_FALSE(phone->engine().calling());

    phone->rtc().releaseEvents();
    ASSERT_TRUE(phone->waitForStatus(QStringLiteral("Connected"), 3000)) << statuses.join(',').toStdString();
    EXPECT_EQ(statuses, (QStringList { "Inprogress", "Connected" }));
    phone->app().dialer().endButton();
    EXPECT_TRUE(phone->waitForStatus(QStringLiteral("Registered and Ready.."), 5000));
    EXPECT_TRUE(farEnd.waitFinished(5000));
}
