// Within a call: a far end's transfer request is refused and places no
// call; a far end that sends its ACK, re-INVITE and BYE straight to our
// Contact (ignoring Record-Route) keeps its call and ends it.
#include "../unit/qt_printers.h"
#include "E2eSupport.h"

#include <QElapsedTimer>
#include <gtest/gtest.h>

using namespace ralu;
using namespace ralu::e2e;

namespace {

const QString kReady = QStringLiteral("Registered and Ready..");

struct DialogE2e : ::testing::Test {
    Phone phone { QStringLiteral("1001"), QStringLiteral("demo1001") };
    ProviderLog log;

    void SetUp() override
    {
        ASSERT_TRUE(phone.start());
        ASSERT_TRUE(phone.waitForStatus(QStringLiteral("Registered and Ready..."), 5000));
    }
    int count(const QString &method, const QString &inFirstLine = {}) const
    {
        int n = 0;
        for (const SipRecord &r : log.requests(method))
            n += r.firstLine.contains(inFirstLine);
        return n;
    }
};

} // namespace

TEST_F(DialogE2e, AFarEndsTransferIsRefusedAndTheCallGoesOn)
{
    Sipp farEnd(QStringLiteral("farend-refer.xml"),
        { "-i", "127.0.0.1", "-p", "5070", "-mi", "127.0.0.1", "-mp", "16000", "-m", "1", "-rtp_echo", "-set",
            "ring_ms", "200", "-set", "hangup_ms", "300" });
    pump(300);
    ASSERT_TRUE(phone.engine().dial(QStringLiteral("5551234")));
    ASSERT_TRUE(phone.waitForStatus(QStringLiteral("Connected"), 8000));
    ASSERT_TRUE(waitUntil([&] { return count(QStringLiteral("REFER")) > 0; }, 5000));
    pump(1500);
    EXPECT_EQ(phone.engine().callState(), CallState::Connected);
    EXPECT_EQ(count(QStringLiteral("INVITE"), QStringLiteral("5559999")), 0) << "no call to the target";

    phone.engine().hangUp();
    EXPECT_TRUE(phone.waitForStatus(kReady, 5000));
    EXPECT_TRUE(farEnd.waitFinished(5000));
    EXPECT_EQ(farEnd.exitCode(), 0) << farEnd.output().toStdString(); // it got 603, then our BYE
    EXPECT_EQ(count(QStringLiteral("BYE")), 1);
}

TEST_F(DialogE2e, AFarEndIgnoringRecordRouteKeepsItsCallAndEndsIt)
{
    Sipp caller(QStringLiteral("caller-direct.xml"),
        { "-i", "127.0.0.1", "-p", "5080", "-mi", "127.0.0.1", "-mp", "17000", "-s", "1001", "-m", "1",
            "-set", "caller_number", "5550950", "-set", "talk_ms", "40000", "-rtp_echo", "127.0.0.1:5060" });
    ASSERT_TRUE(phone.waitForStatus(QStringLiteral("Incoming: 5550950"), 5000));
    phone.engine().answer();
    ASSERT_TRUE(phone.waitForStatus(QStringLiteral("Connected"), 5000));
    QElapsedTimer call;
    call.start();
    EXPECT_TRUE(waitUntil([&] { return phone.status() == kReady; }, 50 * 1000))
        << phone.status().toStdString();
    EXPECT_GE(call.elapsed(), 39 * 1000) << "the call lasted until the caller's BYE";
    EXPECT_TRUE(caller.waitFinished(5000));
    EXPECT_EQ(caller.exitCode(), 0) << caller.output().toStdString();
    EXPECT_EQ(count(QStringLiteral("BYE")), 0) << "Ralu never gave up on the call";
    EXPECT_TRUE(phone.historyText().startsWith(QStringLiteral("R::5550950")))
        << phone.historyText().toStdString();
}
