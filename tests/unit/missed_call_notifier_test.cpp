// The notices on a private bus of the test's own (dbus-daemon), with a small
// notification service in the test.
#include "app/MissedCallNotifier.h"

#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QElapsedTimer>
#include <QProcess>
#include <QTest>
#include <gtest/gtest.h>

using ralu::MissedCallNotifier;

namespace {

// Takes the Notify calls; answers them only when told to.
class NotificationService : public QDBusVirtualObject {
public:
    bool answer = true;
    QList<QDBusMessage> calls;
    QString introspect(const QString &) const override { return {}; }
    bool handleMessage(const QDBusMessage &message, const QDBusConnection &connection) override
    {
        calls << message;
        if (answer)
            connection.send(message.createReply(QVariantList { uint(calls.size()) }));
        return true;
    }
};

class MissedCallNotices : public ::testing::Test {
protected:
    void SetUp() override
    {
        daemon.start(QStringLiteral("dbus-daemon"), { "--session", "--nofork", "--print-address" });
        ASSERT_TRUE(daemon.waitForReadyRead(5000)) << "dbus-daemon (Debian package dbus) did not start";
        address = QString::fromUtf8(daemon.readLine()).trimmed();
    }
    void TearDown() override
    {
        QDBusConnection::disconnectFromBus(QStringLiteral("service"));
        QDBusConnection::disconnectFromBus(QStringLiteral("ralu"));
        daemon.kill();
        daemon.waitForFinished();
    }
    QDBusConnection bus(const char *name)
    {
        return QDBusConnection::connectToBus(address, QString::fromLatin1(name));
    }
    void serve()
    {
        QDBusConnection connection = bus("service");
        ASSERT_TRUE(connection.registerService(QStringLiteral("org.freedesktop.Notifications")));
        ASSERT_TRUE(
            connection.registerVirtualObject(QStringLiteral("/org/freedesktop/Notifications"), &service));
    }

    QProcess daemon;
    QString address;
    NotificationService service;
};

} // namespace

TEST_F(MissedCallNotices, AMissedCallIsANoticeThatNothingWaitsFor)
{
    serve();
    service.answer = false; // a service that never answers holds nothing up
    MissedCallNotifier notifier(QStringLiteral("org.example.App"), bus("ralu"));
    QElapsedTimer took;
    took.start();
    notifier.notify(QStringLiteral("5550100"));
    EXPECT_LT(took.elapsed(), 200);
    ASSERT_TRUE(QTest::qWaitFor([this] { return !service.calls.isEmpty(); }, 5000));
    const QDBusMessage &call = service.calls.first();
    EXPECT_EQ(call.interface(), QStringLiteral("org.freedesktop.Notifications"));
    EXPECT_EQ(call.member(), QStringLiteral("Notify"));
    const QVariantList args = call.arguments();
    ASSERT_EQ(args.size(), 8);
    EXPECT_EQ(args[0].toString(), QStringLiteral("Ralu"));
    EXPECT_EQ(args[2].toString(), QStringLiteral("org.example.App"));
    EXPECT_EQ(args[3].toString(), QStringLiteral("Missed call from 5550100"));
}

TEST_F(MissedCallNotices, WithoutAServiceOrABusNothingIsSaid)
{
    MissedCallNotifier onBus(QStringLiteral("org.example.App"), bus("ralu"));
    MissedCallNotifier noBus(QStringLiteral("org.example.App"), QDBusConnection(QStringLiteral("none")));
    QElapsedTimer took;
    took.start();
    onBus.notify(QStringLiteral("5550100"));
    noBus.notify(QStringLiteral("5550100"));
    QTest::qWait(100); // the bus's error answer comes and goes
    EXPECT_LT(took.elapsed(), 1000);
    serve(); // a service that starts later is not told of the old call
    QTest::qWait(100);
    EXPECT_TRUE(service.calls.isEmpty());
}
