// Calls against the real provider: outgoing calls to the telephone network
// (SIPp as the far end), incoming calls from it (SIPp as the caller), the
// status line, the call history file and what crossed the wire.
#include "../unit/CallEngineTestAccess.h"
#include "../unit/qt_printers.h"
#include "E2eSupport.h"
#include "calls/DoNotDisturb.h"

#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <gtest/gtest.h>

using namespace ralu;
using namespace ralu::e2e;

namespace {

const QStringList kFarEnd { "-i", "127.0.0.1", "-p", "5070", "-mi", "127.0.0.1", "-mp", "16000", "-m", "1",
    "-rtp_echo" };

QStringList caller(const QString &number, const QStringList &extra = {})
{
    return QStringList { "-i", "127.0.0.1", "-p", "5080", "-mi", "127.0.0.1", "-mp", "17000", "-s", "1001",
        "-m", "1", "-set", "caller_number", number }
    + extra + QStringList { "127.0.0.1:5060" };
}

// A registered Ralu for account 1001 that records every status it shows.
struct CallFixture : ::testing::Test {
    std::unique_ptr<Phone> phone;
    QStringList statuses;

    void SetUp() override
    {
        phone = std::make_unique<Phone>(QStringLiteral("1001"), QStringLiteral("demo1001"));
        ASSERT_TRUE(phone->start());
        ASSERT_TRUE(phone->waitForStatus(QStringLiteral("Registered and Ready..."), 5000));
        QObject::connect(&phone->engine().presenter(), &MainPresenter::statusTextChanged,
            [this](const QString &s) { statuses << s; });
    }

    // Types the number and presses Enter in the number box.
    void dialWithEnter(const QString &number)
    {
        QLineEdit *box = phone->app().window().numberBox();
        box->setText(number);
        QTest::keyClick(box, Qt::Key_Return);
    }

    bool waitStatus(const QString &s, int ms = 8000) { return phone->waitForStatus(s, ms); }

    QStringList historyLines() const { return phone->historyLines(); }
};

} // namespace

TEST_F(CallFixture, OutgoingCallAnsweredAndEndedHere)
{
    ProviderLog log;
    Sipp farEnd(QStringLiteral("farend-answer.xml"), kFarEnd);
    pump(300);
    dialWithEnter(QStringLiteral("5551234"));
    ASSERT_TRUE(waitStatus(QStringLiteral("Connected"))) << statuses.join(',').toStdString();
    EXPECT_TRUE(statuses.contains(QStringLiteral("Inprogress")));
    EXPECT_FALSE(phone->app().window().numberBox()->isEnabled()) << "in-call state";
    EXPECT_EQ(historyLines(), QStringList { "D::5551234" });

    pump(1500);
    EXPECT_EQ(CallEngineTestAccess::callTimeText(phone->engine()), QStringLiteral("00:00:00"))
        << "the clock lags one second";
    phone->app().dialer().endButton();
    ASSERT_TRUE(waitStatus(QStringLiteral("Registered and Ready..")));
    EXPECT_EQ(statuses.mid(statuses.indexOf(QStringLiteral("Connected"))),
        (QStringList { "Connected", "Disconnected", "Registered and Ready.." }));
    EXPECT_TRUE(phone->app().window().numberBox()->text().isEmpty());
    EXPECT_TRUE(phone->app().window().numberBox()->isEnabled());
    EXPECT_TRUE(CallEngineTestAccess::callTimeText(phone->engine()).isEmpty());
    EXPECT_TRUE(farEnd.waitFinished(5000));
    EXPECT_EQ(farEnd.exitCode(), 0) << farEnd.output().toStdString();

    // The INVITE as it crossed the wire.
    const auto invites = log.requests(QStringLiteral("INVITE"));
    ASSERT_FALSE(invites.isEmpty());
    for (const SipRecord &invite : invites) {
        EXPECT_EQ(invite.firstLine, QStringLiteral("INVITE sip:5551234@127.0.0.1 SIP/2.0"));
        EXPECT_EQ(
            invite.header(QStringLiteral("To")), QStringLiteral("\"Any Name\" <sip:5551234@127.0.0.1>"));
        EXPECT_TRUE(invite.header(QStringLiteral("From")).contains(QStringLiteral("<sip:1001@127.0.0.1>")));
    }
    EXPECT_EQ(log.requests(QStringLiteral("BYE")).size(), 1);
    EXPECT_TRUE(phone->boxes().shown.empty());
}

TEST_F(CallFixture, OutgoingCallEndedByTheFarEnd)
{
    Sipp farEnd(QStringLiteral("farend-hangup.xml"),
        kFarEnd + QStringList { "-set", "ring_ms", "300", "-set", "hangup_ms", "1500" });
    pump(300);
    dialWithEnter(QStringLiteral("5551234"));
    ASSERT_TRUE(waitStatus(QStringLiteral("Connected")));
    ASSERT_TRUE(waitStatus(QStringLiteral("Registered and Ready.."), 8000))
        << statuses.join(',').toStdString();
    EXPECT_TRUE(statuses.contains(QStringLiteral("Disconnected")));
    EXPECT_TRUE(phone->app().window().numberBox()->text().isEmpty());
    EXPECT_TRUE(farEnd.waitFinished(5000));
    EXPECT_EQ(farEnd.exitCode(), 0) << farEnd.output().toStdString();
}

TEST_F(CallFixture, OutgoingCallNeverAnswered)
{
    Sipp farEnd(QStringLiteral("farend-noanswer.xml"), kFarEnd);
    pump(300);
    dialWithEnter(QStringLiteral("5550000"));
    ASSERT_TRUE(waitStatus(QStringLiteral("Inprogress")));
    pump(1000);
    phone->app().dialer().endButton();
    ASSERT_TRUE(waitStatus(QStringLiteral("Registered and Ready..")));
    EXPECT_FALSE(statuses.contains(QStringLiteral("Connected")));
    EXPECT_EQ(statuses.mid(statuses.indexOf(QStringLiteral("Inprogress"))),
        (QStringList { "Inprogress", "Disconnected", "Registered and Ready.." }));
    EXPECT_EQ(historyLines(), QStringList { "D::5550000" });
    EXPECT_TRUE(farEnd.waitFinished(5000));
    EXPECT_EQ(farEnd.exitCode(), 0) << "the far end saw a CANCEL: " << farEnd.output().toStdString();
}

TEST_F(CallFixture, IncomingCallAnsweredThenCallerHangsUp)
{
    Sipp sipp(QStringLiteral("caller-answered.xml"),
        caller(QStringLiteral("5550100"), { "-set", "talk_ms", "1500" }));
    ASSERT_TRUE(waitStatus(QStringLiteral("Incoming: 5550100")));
    EXPECT_TRUE(CallEngineTestAccess::isRunning(phone->engine(), EngineTimer::Ring));
    phone->app().dialer().dialButton();
    ASSERT_TRUE(waitStatus(QStringLiteral("Connected")));
    ASSERT_TRUE(waitStatus(QStringLiteral("Registered and Ready.."), 8000))
        << statuses.join(',').toStdString();
    EXPECT_EQ(historyLines(), QStringList { "R::5550100" });
    EXPECT_FALSE(CallEngineTestAccess::missedIndicatorShown(phone->engine()));
    EXPECT_TRUE(sipp.waitFinished(5000));
    EXPECT_EQ(sipp.exitCode(), 0) << sipp.output().toStdString();
}

TEST_F(CallFixture, IncomingCallRejectedWithTheEndButtonIsBusyForTheCaller)
{
    Sipp sipp(QStringLiteral("caller-expect-busy.xml"), caller(QStringLiteral("5550200")));
    ASSERT_TRUE(waitStatus(QStringLiteral("Incoming: 5550200")));
    phone->app().dialer().endButton();
    EXPECT_FALSE(CallEngineTestAccess::isRunning(phone->engine(), EngineTimer::Ring));
    ASSERT_TRUE(sipp.waitFinished(5000));
    EXPECT_EQ(sipp.exitCode(), 0) << "the caller got 486 Busy Here: " << sipp.output().toStdString();
    ASSERT_TRUE(waitStatus(QStringLiteral("Registered and Ready..")));
    EXPECT_EQ(historyLines(), QStringList { "M::5550200" });
}

// Do not disturb: the caller gets 486 at once, nothing rings, the call is
// logged missed and the status line keeps saying so.
TEST_F(CallFixture, DoNotDisturbAnswersBusyAtOnce)
{
    phone->app().doNotDisturb()->toggle();
    ASSERT_TRUE(waitStatus(QStringLiteral("Do not disturb")));
    Sipp sipp(QStringLiteral("caller-expect-busy.xml"), caller(QStringLiteral("5550250")));
    ASSERT_TRUE(sipp.waitFinished(5000));
    EXPECT_EQ(sipp.exitCode(), 0) << "the caller got 486 Busy Here: " << sipp.output().toStdString();
    EXPECT_TRUE(waitUntil([&] { return historyLines() == QStringList { "M::5550250" }; }, 3000));
    EXPECT_FALSE(CallEngineTestAccess::isRunning(phone->engine(), EngineTimer::Ring));
    EXPECT_FALSE(statuses.join(',').contains(QStringLiteral("Incoming"))) << statuses.join(',').toStdString();
    EXPECT_EQ(phone->status(), QStringLiteral("Do not disturb"));
}

TEST_F(CallFixture, IncomingCallAbandonedByTheCallerIsMissed)
{
    Sipp sipp(QStringLiteral("caller-cancel.xml"),
        caller(QStringLiteral("5550300"), { "-set", "ring_ms", "1000" }));
    ASSERT_TRUE(waitStatus(QStringLiteral("Incoming: 5550300")));
    // Shown for a moment only: watched, not polled.
    ASSERT_TRUE(waitUntil([&] { return statuses.contains(QStringLiteral("Disconnected")); }, 5000))
        << statuses.join(", ").toStdString();
    EXPECT_TRUE(CallEngineTestAccess::missedIndicatorShown(phone->engine()));
    EXPECT_TRUE(CallEngineTestAccess::isRunning(phone->engine(), EngineTimer::MissedBlink));
    ASSERT_TRUE(waitStatus(QStringLiteral("Registered and Ready..")));
    EXPECT_EQ(historyLines(), QStringList { "M::5550300" });
    EXPECT_TRUE(sipp.waitFinished(5000));
    EXPECT_EQ(sipp.exitCode(), 0) << sipp.output().toStdString();
}

TEST_F(CallFixture, SecondCallerDuringAConnectedCallLeavesItAlone)
{
    Sipp farEnd(QStringLiteral("farend-answer.xml"), kFarEnd);
    pump(300);
    dialWithEnter(QStringLiteral("5551234"));
    ASSERT_TRUE(waitStatus(QStringLiteral("Connected")));
    const auto connectedSession = CallEngineTestAccess::currentSession(phone->engine());

    // Nobody could answer the second caller: it hears busy at once.
    Sipp second(QStringLiteral("caller-expect-busy.xml"), caller(QStringLiteral("5550400")));
    ASSERT_TRUE(second.waitFinished(8000));
    EXPECT_EQ(second.exitCode(), 0) << second.output().toStdString();
    pump(300);
    EXPECT_EQ(phone->status(), QStringLiteral("Connected"));
    EXPECT_EQ(CallEngineTestAccess::currentSession(phone->engine()), connectedSession);
    EXPECT_FALSE(CallEngineTestAccess::missedIndicatorShown(phone->engine()));
    EXPECT_EQ(historyLines(), (QStringList { "D::5551234", "M::5550400" }));

    // The connected call still ends from here.
    phone->app().dialer().endButton();
    ASSERT_TRUE(waitStatus(QStringLiteral("Registered and Ready..")));
    EXPECT_TRUE(farEnd.waitFinished(5000));
    EXPECT_EQ(farEnd.exitCode(), 0) << farEnd.output().toStdString();
}

TEST_F(CallFixture, SecondCallerReplacesARingingFirstOneWhichHearsBusy)
{
    // The first caller comes from the telephone network, the second is
    // another Ralu user (account 1002) on the same provider.
    Phone other(QStringLiteral("1002"), QStringLiteral("demo1002"));
    ASSERT_TRUE(other.start());
    ASSERT_TRUE(other.waitForStatus(QStringLiteral("Registered and Ready..."), 5000));

    Sipp first(QStringLiteral("caller-expect-busy.xml"), caller(QStringLiteral("5550500")));
    ASSERT_TRUE(waitStatus(QStringLiteral("Incoming: 5550500")));
    other.engine().presenter().setNumberText(QStringLiteral("1001"));
    other.app().dialer().makeCall();
    ASSERT_TRUE(waitStatus(QStringLiteral("Incoming: 1002")));

    ASSERT_TRUE(first.waitFinished(8000));
    EXPECT_EQ(first.exitCode(), 0) << first.output().toStdString();
    pump(300);
    EXPECT_EQ(phone->status(), QStringLiteral("Incoming: 1002"));
    EXPECT_TRUE(CallEngineTestAccess::isRunning(phone->engine(), EngineTimer::Ring));
    EXPECT_EQ(phone->engine().session().incoming(), 1);
    EXPECT_FALSE(CallEngineTestAccess::missedIndicatorShown(phone->engine()));
    EXPECT_EQ(historyLines(), QStringList { "M::5550500" });

    // The second call is still answerable.
    phone->app().dialer().dialButton();
    ASSERT_TRUE(waitStatus(QStringLiteral("Connected")));
    ASSERT_TRUE(other.waitForStatus(QStringLiteral("Connected"), 5000));
    other.app().dialer().endButton();
    ASSERT_TRUE(waitStatus(QStringLiteral("Registered and Ready..")));
    EXPECT_EQ(historyLines(), (QStringList { "M::5550500", "R::1002" }));
}

// Quitting after a call still takes the registration off the provider: the
// un-REGISTER (expires 0) leaves before the client is shut down, whether the
// call ended here or at the far end.
TEST_F(CallFixture, ExitAfterACallUnregisters)
{
    for (const char *scenario : { "farend-answer.xml", "farend-hangup.xml" }) {
        SCOPED_TRACE(scenario);
        if (!phone) {
            phone = std::make_unique<Phone>(QStringLiteral("1001"), QStringLiteral("demo1001"));
            ASSERT_TRUE(phone->start());
            ASSERT_TRUE(waitStatus(QStringLiteral("Registered and Ready...")));
        }
        Sipp farEnd(QString::fromLatin1(scenario), kFarEnd);
        pump(300);
        dialWithEnter(QStringLiteral("5551234"));
        ASSERT_TRUE(waitStatus(QStringLiteral("Connected")));
        if (QString::fromLatin1(scenario) == QLatin1String("farend-answer.xml")) {
            pump(300);
            phone->app().dialer().endButton();
        }
        ASSERT_TRUE(waitStatus(QStringLiteral("Registered and Ready.."), 5000));
        pump(1100);

        ProviderLog log;
        phone->engine().exitProgram();
        EXPECT_TRUE(waitUntil(
            [&log] {
                for (const SipRecord &r : log.requests(QStringLiteral("REGISTER"))) {
                    if (r.header(QStringLiteral("Expires")) == QLatin1String("0")
                        || r.header(QStringLiteral("Contact")).contains(QStringLiteral("expires=0")))
                        return true;
                }
                return false;
            },
            2000))
            << log.raw().toStdString();
        phone.reset();
        farEnd.waitFinished(5000);
    }
}
