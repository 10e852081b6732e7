// The Hold, Do not disturb and Transfer buttons of a whole Softphone on the
// fake client: what each click asks of the call, what the status line, the
// number box, the buttons' pictures and the history show.
#include "CallEngineTestAccess.h"
#include "FakeMessageBoxes.h"
#include "FakeRtcClient.h"
#include "account/SettingsStore.h"
#include "app/Softphone.h"
#include "calls/CallTransfer.h"
#include "calls/DoNotDisturb.h"
#include "engine/Clock.h"
#include "qt_printers.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

using namespace ralu;
using namespace ralu::testing;

namespace {

struct CallButtons : ::testing::Test {
    QTemporaryDir dir;
    FakeRtcClient rtc;
    FakeMessageBoxes boxes;
    IniSettingsStore store { dir.filePath(QStringLiteral("settings.ini")) };
    SystemClock clock;
    std::unique_ptr<Softphone> phone;

    void SetUp() override { ASSERT_NO_FATAL_FAILURE(restart()); }
    void restart()
    {
        phone.reset();
        phone = std::make_unique<Softphone>(&rtc, boxes, store, QStringLiteral("ralu"), dir.path(), clock);
        phone->engine().prepareLoad();
        phone->state().login.strUserName = QStringLiteral("1001");
        phone->state().login.strLoginSIPIP = QStringLiteral("127.0.0.1");
        ASSERT_TRUE(phone->engine().initializeRTC());
        phone->engine().registerAccount();
        rtc.registration(RTCRS_REGISTERED);
        phone->window();
    }
    void click(MainControl key) { emit phone->window().button(key)->clicked(); }
    bool pressed(MainControl key)
    {
        PictureButton *b = phone->window().button(key);
        return b->pixmap().cacheKey() == b->pressedPicture().cacheKey();
    }
    QString status() const { return phone->engine().presenter().statusText(); }
    QLineEdit *box() { return phone->window().numberBox(); }
    void type(const QString &keys) { QTest::keyClicks(box(), keys); }
    QString history()
    {
        QFile file(phone->history().filePath());
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }
};

} // namespace

TEST_F(CallButtons, HoldAndResumeKeepTheClockAndSendNoTones)
{
    click(MainControl::HoldButton);
    auto call = rtc.connectedCallFrom("sip:201@127.0.0.1");
    EXPECT_TRUE(call->control.isEmpty()) << "nothing to hold before the call";
    click(MainControl::HoldButton);
    EXPECT_EQ(call->control, QStringList { "hold" });
    rtc.hold(call, true);
    EXPECT_EQ(status(), "On hold");
    EXPECT_EQ(phone->engine().session().state(), CallState::Held);
    EXPECT_TRUE(pressed(MainControl::HoldButton));
    EXPECT_TRUE(CallEngineTestAccess::isRunning(phone->engine(), EngineTimer::CallClock));
    phone->window().padKeyClicked(QLatin1Char('5'));
    EXPECT_TRUE(rtc.dtmf.empty()) << "no touch tone into a held call";
    click(MainControl::HoldButton);
    EXPECT_EQ(call->control, (QStringList { "hold", "unhold" }));
    rtc.session(call, RTCSS_CONNECTED);
    EXPECT_EQ(status(), "Connected");
    EXPECT_FALSE(pressed(MainControl::HoldButton));
    rtc.hold(call, false);
    EXPECT_EQ(phone->engine().session().state(), CallState::Connected)
        << "the far end's hold changes nothing";
    phone->window().padKeyClicked(QLatin1Char('5'));
    EXPECT_EQ(rtc.dtmf, std::vector<RtcDtmf> { RTC_DTMF_5 });
    click(MainControl::HoldButton);
    rtc.hold(call, true);
    click(MainControl::EndButton);
    EXPECT_EQ(call->terminations, std::vector<RtcTerminateReason> { RTCTR_NORMAL });
}

TEST_F(CallButtons, DoNotDisturbDeclinesBusyLogsMissedAndIsKept)
{
    QStringList notices;
    phone->setOnMissedCall([&](const QString &number) { notices << number; });
    click(MainControl::DndButton);
    EXPECT_EQ(status(), "Do not disturb");
    EXPECT_TRUE(pressed(MainControl::DndButton));
    auto offer = FakeSession::offeredBy("sip:201@127.0.0.1");
    rtc.session(offer, RTCSS_INCOMING);
    EXPECT_EQ(offer->terminations, std::vector<RtcTerminateReason> { RTCTR_BUSY });
    EXPECT_FALSE(CallEngineTestAccess::isRunning(phone->engine(), EngineTimer::Flash));
    EXPECT_FALSE(CallEngineTestAccess::isRunning(phone->engine(), EngineTimer::Ring));
    rtc.session(offer, RTCSS_DISCONNECTED);
    EXPECT_TRUE(history().startsWith("M::201")) << history().toStdString();
    EXPECT_EQ(status(), "Do not disturb");
    EXPECT_TRUE(notices.isEmpty()) << "no desktop notice either";

    ASSERT_NO_FATAL_FAILURE(restart());
    EXPECT_TRUE(phone->doNotDisturb()->isOn());
    EXPECT_TRUE(pressed(MainControl::DndButton));
    EXPECT_EQ(status(), "Do not disturb");
    click(MainControl::DndButton);
    EXPECT_EQ(status(), "Registered and Ready...");
    ASSERT_NO_FATAL_FAILURE(restart());
    EXPECT_FALSE(phone->doNotDisturb()->isOn());
    EXPECT_EQ(store.get("Usernameralu", "Parameters", "Validation", "none"), "none")
        << "apart from the login";
}

TEST_F(CallButtons, TransferArmedDisarmedSentFailedAndSucceeded)
{
    click(MainControl::TransferButton);
    EXPECT_FALSE(phone->transfer()->armed()) << "idle, it only focuses the number box";
    phone->transfer()->setTimes(60, 20);
    auto call = rtc.connectedCallFrom("sip:201@127.0.0.1");
    phone->engine().presenter().setNumberText(QStringLiteral("201"));
    const auto arm = [&] {
        click(MainControl::TransferButton);
        EXPECT_EQ(status(), "Transfer to:");
        EXPECT_TRUE(box()->isEnabled() && box()->text().isEmpty());
        EXPECT_TRUE(phone->window().button(MainControl::DialButton)->isEnabled());
    };
    arm();
    phone->window().padKeyClicked(QLatin1Char('7'));
    EXPECT_TRUE(rtc.dtmf.empty());
    EXPECT_EQ(box()->text(), "7");
    QTest::keyClick(box(), Qt::Key_Escape);
    EXPECT_EQ(status(), "Connected");
    EXPECT_FALSE(box()->isEnabled());
    EXPECT_EQ(box()->text(), "201");

    for (const QString &bad : { QString(), QStringLiteral("12a"), QStringLiteral("1001") }) {
        arm();
        type(bad);
        QTest::keyClick(box(), Qt::Key_Return);
        EXPECT_TRUE(phone->transfer()->armed()) << bad.toStdString();
        click(MainControl::TransferButton);
    }
    EXPECT_EQ(boxes.shown.size(), 2u);
    EXPECT_TRUE(call->control.isEmpty());

    for (const bool reported : { true, false }) {
        arm();
        type("5551234");
        click(MainControl::DialButton);
        EXPECT_EQ(call->control.takeLast(), "refer sip:5551234@127.0.0.1");
        EXPECT_EQ(status(), "Transferring...");
        if (reported)
            rtc.referStatus(call, RTCSRS_ERROR);
        EXPECT_TRUE(QTest::qWaitFor(
            [&] { return status() == (reported ? "Transfer failed" : "Transfer not answered"); }, 1000));
        EXPECT_TRUE(QTest::qWaitFor([&] { return status() == "Connected"; }, 1000));
    }
    EXPECT_EQ(phone->engine().session().state(), CallState::Connected);

    arm();
    type("5551234");
    QTest::keyClick(box(), Qt::Key_Enter);
    rtc.referStatus(call, RTCSRS_DONE);
    rtc.session(call, RTCSS_DISCONNECTED);
    EXPECT_EQ(status(), "Transferred");
    EXPECT_EQ(history().count(QStringLiteral("::")), 1) << "the call's own entry only";
}
