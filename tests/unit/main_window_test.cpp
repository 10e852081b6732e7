// The main window as a view over the call engine: texts, controls in the
// idle and in-call states, and the missed-call indicator.
#include "CallEngineTestAccess.h"
#include "RegisteredPhone.h"
#include "qt_printers.h"

#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <gtest/gtest.h>

using namespace ralu;
using namespace ralu::testing;

namespace {

struct MainWindowFixture : ::testing::Test {
    RegisteredPhone phone;
    void SetUp() override { phone.registerAccount(); }
    QLabel *label(const char *name) { return phone.window.findChild<QLabel *>(QString::fromLatin1(name)); }
    PictureButton *button(const char *name)
    {
        return phone.window.findChild<PictureButton *>(QString::fromLatin1(name));
    }
};

} // namespace

TEST_F(MainWindowFixture, LabelsShowTheEngineTextsAtTheirPlaces)
{
    EXPECT_EQ(label("lblMsg")->text(), QStringLiteral("Registered and Ready..."));
    EXPECT_EQ(label("lblPin")->text(), QStringLiteral("1001"));
    EXPECT_EQ(label("lblMsg")->geometry(), QRect(18, 18, 156, 16));
    EXPECT_EQ(label("lblBalance")->geometry(), QRect(16, 40, 179, 18));
    EXPECT_EQ(phone.window.numberBox()->geometry(), QRect(16, 88, 196, 23));
    EXPECT_EQ(phone.window.size(), QSize(231, 346));
    phone.engine.setBalanceText(QStringLiteral("Balance :12.50"));
    EXPECT_EQ(label("lblBalance")->text(), QStringLiteral("Balance :12.50"));
}

TEST_F(MainWindowFixture, TextsFromTheNetworkAreShownAsSentNeverAsMarkup)
{
    const QString texts[] = {
        QStringLiteral("Balance :<b>5</b>"),
        QStringLiteral("Balance :<html><body><h1>Service Unavailable</h1><img src=\"x\"></body></html>"),
        QStringLiteral("Balance :<a href=\"http://127.0.0.1/\">12.50</a>"),
    };
    for (const QString &text : texts) {
        SCOPED_TRACE(text.toStdString());
        phone.engine.setBalanceText(text);
        QLabel *balance = label("lblBalance");
        EXPECT_EQ(balance->text(), text);
        // Every character takes its room: no tag was read as markup.
        EXPECT_GE(balance->sizeHint().width(), balance->fontMetrics().horizontalAdvance(text));
    }
    // The status line shows plain text too, whatever the engine puts there.
    phone.engine.setStatusText(QStringLiteral("Incoming: <i>201</i>"));
    QLabel *status = label("lblMsg");
    ASSERT_EQ(status->text(), QStringLiteral("Incoming: <i>201</i>"));
    EXPECT_GE(status->sizeHint().width(), status->fontMetrics().horizontalAdvance(status->text()));
}

TEST_F(MainWindowFixture, ControlsFollowTheCallState)
{
    phone.engine.setInCallControls();
    EXPECT_FALSE(button("Picture6")->isEnabled());
    EXPECT_FALSE(button("Picture17")->isEnabled());
    EXPECT_TRUE(button("Picture8")->isEnabled());
    EXPECT_FALSE(phone.window.numberBox()->isEnabled());
    phone.engine.setIdleControls();
    EXPECT_TRUE(button("Picture6")->isEnabled());
    EXPECT_TRUE(button("Picture17")->isEnabled());
    EXPECT_TRUE(phone.window.numberBox()->isEnabled());
}

TEST_F(MainWindowFixture, NumberBoxAndEngineStayInStep)
{
    phone.window.numberBox()->setText(QStringLiteral("555"));
    EXPECT_EQ(phone.engine.numberText(), QStringLiteral("555"));
    phone.engine.setNumberText(QString());
    EXPECT_TRUE(phone.window.numberBox()->text().isEmpty());
}

TEST_F(MainWindowFixture, MissedCallShowsTheBlinkingIndicatorUntilClicked)
{
    PictureButton *indicator = button("MissedCalls");
    auto *frame = phone.window.findChild<QLabel *>(QStringLiteral("shpMissed"));
    ASSERT_TRUE(frame);
    EXPECT_TRUE(indicator->isHidden());
    EXPECT_TRUE(frame->isHidden());

    auto call = FakeSession::offeredBy("sip:201@host");
    phone.rtc.session(call, RTCSS_INCOMING);
    phone.rtc.session(call, RTCSS_DISCONNECTED);
    EXPECT_FALSE(indicator->isHidden());
    EXPECT_FALSE(frame->isHidden());
    EXPECT_TRUE(frame->styleSheet().contains(QStringLiteral("rgb(255,0,0)")));
    CallEngineTestAccess::tick(phone.engine, EngineTimer::MissedBlink);
    EXPECT_TRUE(frame->styleSheet().contains(QStringLiteral("rgb(255,255,255)")));

    phone.engine.acknowledgeMissedCalls();
    EXPECT_TRUE(indicator->isHidden());
    EXPECT_TRUE(frame->isHidden());
}

TEST_F(MainWindowFixture, ClearButtonEmptiesTheNumber)
{
    phone.engine.setNumberText(QStringLiteral("12345"));
    emit button("Picture17")->clicked();
    EXPECT_TRUE(phone.window.numberBox()->text().isEmpty());
}

TEST_F(MainWindowFixture, TrayMenuHasShowAndExitAndExitEndsTheProgram)
{
    QMenu *menu = phone.window.trayMenu();
    const auto actions = menu->actions();
    ASSERT_EQ(actions.size(), 2);
    EXPECT_EQ(actions[0]->text(), QStringLiteral("Show"));
    EXPECT_EQ(actions[1]->text(), QStringLiteral("Exit"));
    bool exitAsked = false;
    QObject::connect(&phone.engine, &CallEngine::exitRequested, [&] { exitAsked = true; });
    actions[1]->trigger();
    EXPECT_TRUE(exitAsked);
    EXPECT_TRUE(phone.rtc.calls.contains(QStringLiteral("shutdown")));
}
