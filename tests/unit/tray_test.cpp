// The tray: the decisions of TrayControl over a recorded window, and the main
// window on a desktop without a tray (the offscreen platform has none), where
// hiding leaves it minimised and an incoming call brings it back.
#include "CallEngineTestAccess.h"
#include "RegisteredPhone.h"
#include "engine/TrayControl.h"
#include "qt_printers.h"
#include "windows/WindowAttention.h"

#include <QCoreApplication>
#include <QMenu>
#include <QSystemTrayIcon>
#include <gtest/gtest.h>

using namespace ralu;
using namespace ralu::testing;

namespace {

struct TrayCase {
    const char *name;
    bool trayAvailable;
    bool phoneBookOpen; // while the last step runs
    std::vector<const char *> steps; // "hide button", "minimised", "show"
    std::vector<const char *> operations; // what the window was asked to do, in order
    bool inTray;
    bool blnInTray;
};

const TrayCase kTrayCases[] = {
    { "hide button into the tray", true, false, { "hide button", "minimised" },
        { "minimise", "showIcon", "hide" }, true, true },
    { "desktop's minimise into the tray, blnInTray stays false", true, false, { "minimised" },
        { "showIcon", "hide" }, true, false },
    { "show from the tray", true, false, { "hide button", "minimised", "show" },
        { "minimise", "showIcon", "hide", "hideIcon", "showNormal", "focusNumberBox" }, false, false },
    { "show while the phone book is open does nothing", true, true, { "hide button", "minimised", "show" },
        { "minimise", "showIcon", "hide" }, true, true },
    { "a second minimise report puts up no second icon", true, false, { "minimised", "minimised" },
        { "showIcon", "hide" }, true, false },
    { "no tray: the hide button only minimises", false, false, { "hide button", "minimised" }, { "minimise" },
        false, true },
    { "no tray: show restores the minimised window", false, false, { "hide button", "minimised", "show" },
        { "minimise", "hideIcon", "showNormal", "focusNumberBox" }, false, false },
};

} // namespace

TEST(TrayControl, DecidesWhereTheWindowGoes)
{
    for (const TrayCase &c : kTrayCases) {
        SCOPED_TRACE(c.name);
        AppState state;
        std::vector<std::string> done;
        auto record = [&done](const char *what) { return [&done, what] { done.emplace_back(what); }; };
        TrayControl tray(state, [&c] { return c.trayAvailable; },
            { record("minimise"), record("hide"), record("showNormal"), record("showIcon"),
                record("hideIcon"), record("focusNumberBox") });
        for (std::size_t i = 0; i < c.steps.size(); ++i) {
            state.blnPhoneBookOpen = c.phoneBookOpen && i + 1 == c.steps.size();
            const std::string step = c.steps[i];
            if (step == "hide button")
                tray.hideButton();
            else if (step == "minimised")
                tray.windowMinimised();
            else
                tray.show();
        }
        EXPECT_EQ(done, std::vector<std::string>(c.operations.begin(), c.operations.end()));
        EXPECT_EQ(tray.inTray(), c.inTray);
        EXPECT_EQ(state.blnInTray, c.blnInTray);
    }
}

namespace {

struct NoTrayWindow : ::testing::Test {
    RegisteredPhone phone;
    void SetUp() override
    {
        phone.registerAccount();
        phone.window.show();
    }
    void offer() { phone.rtc.session(FakeSession::offeredBy("sip:201@host"), RTCSS_INCOMING); }
};

} // namespace

TEST_F(NoTrayWindow, HideButtonsLeaveTheWindowMinimisedInTheTaskBar)
{
    for (const char *name : { "Picture40", "Picture41" }) {
        SCOPED_TRACE(name);
        phone.window.showNormal();
        phone.state.blnInTray = false;
        emit phone.window.findChild<PictureButton *>(QString::fromLatin1(name))->clicked();
        QCoreApplication::processEvents();
        EXPECT_TRUE(phone.state.blnInTray);
        EXPECT_TRUE(phone.window.isMinimized());
        EXPECT_TRUE(phone.window.isVisible()) << "without a tray the window must stay findable";
    }
}

TEST_F(NoTrayWindow, IncomingCallBringsBackAWindowHiddenByAHideButton)
{
    phone.window.hideToTray();
    offer();
    EXPECT_FALSE(phone.window.isMinimized());
    EXPECT_TRUE(phone.window.isVisible());
    EXPECT_FALSE(phone.state.blnInTray);
    EXPECT_EQ(phone.engine.presenter().statusText(), QStringLiteral("Incoming: 201"));
}

TEST_F(NoTrayWindow, IncomingCallLeavesAWindowTheDesktopMinimised)
{
    phone.window.showMinimized();
    offer();
    EXPECT_TRUE(phone.window.isMinimized());
}

TEST_F(NoTrayWindow, IncomingCallWaitsWhileThePhoneBookIsOpen)
{
    phone.window.hideToTray();
    phone.state.blnPhoneBookOpen = true;
    offer();
    EXPECT_TRUE(phone.window.isMinimized());
    EXPECT_TRUE(phone.state.blnInTray);
}

TEST_F(NoTrayWindow, TrayMenuShowRestoresTheWindow)
{
    phone.window.hideToTray();
    phone.window.trayMenu()->actions().at(0)->trigger();
    EXPECT_FALSE(phone.window.isMinimized());
    EXPECT_FALSE(phone.state.blnInTray);
    EXPECT_EQ(phone.window.focusWidget(), phone.window.numberBox());
}

TEST_F(NoTrayWindow, TrayIconTipsRaluLeftClickShowsRightClickHasTheMenu)
{
    auto *icon = phone.window.findChild<QSystemTrayIcon *>();
    ASSERT_TRUE(icon);
    EXPECT_EQ(icon->toolTip(), QStringLiteral("Ralu"));
    EXPECT_EQ(icon->contextMenu(), phone.window.trayMenu());
    const std::pair<QSystemTrayIcon::ActivationReason, bool> clicks[] = {
        { QSystemTrayIcon::Context, false },
        { QSystemTrayIcon::MiddleClick, false },
        { QSystemTrayIcon::Trigger, true },
    };
    for (const auto &[reason, shows] : clicks) {
        SCOPED_TRACE(reason);
        phone.window.hideToTray();
        emit icon->activated(reason);
        EXPECT_EQ(phone.window.isMinimized(), !shows);
        EXPECT_EQ(phone.state.blnInTray, !shows);
    }
}

// ------------------------------------------------------- window attention

namespace {

struct Attention : ::testing::Test {
    RegisteredPhone phone;
    std::vector<bool> hints; // what the window's hint was set to, in order
    WindowAttention attention { phone.engine, [this](bool on) { hints.push_back(on); } };
    void SetUp() override { phone.registerAccount(); }
    void flashTicks(int n)
    {
        for (int i = 0; i < n; ++i)
            CallEngineTestAccess::tick(phone.engine, EngineTimer::Flash);
    }
};

} // namespace

TEST_F(Attention, EachFlashTickInvertsTheHintAndTheOfferEndClearsIt)
{
    const std::pair<const char *, RtcSessionState> ends[] = {
        { "caller gave up", RTCSS_DISCONNECTED },
        { "answered", RTCSS_ANSWERING },
        { "connected", RTCSS_CONNECTED },
    };
    for (const auto &[name, end] : ends) {
        SCOPED_TRACE(name);
        hints.clear();
        auto call = FakeSession::offeredBy("sip:201@host");
        phone.rtc.session(call, RTCSS_INCOMING);
        flashTicks(3);
        EXPECT_EQ(hints, (std::vector<bool> { true, false, true }));
        phone.rtc.session(call, end);
        EXPECT_EQ(hints, (std::vector<bool> { true, false, true, false }));
        EXPECT_FALSE(attention.hintSet());
        phone.rtc.session(call, RTCSS_DISCONNECTED);
    }
}

TEST_F(Attention, AnOfferEndingWithTheHintOffLeavesItAlone)
{
    auto call = FakeSession::offeredBy("sip:201@host");
    phone.rtc.session(call, RTCSS_INCOMING);
    flashTicks(2);
    phone.rtc.session(call, RTCSS_DISCONNECTED);
    EXPECT_EQ(hints, (std::vector<bool> { true, false }));
}

TEST_F(Attention, ExitClearsTheHint)
{
    phone.rtc.session(FakeSession::offeredBy("sip:201@host"), RTCSS_INCOMING);
    flashTicks(1);
    phone.engine.exitProgram();
    EXPECT_EQ(hints, (std::vector<bool> { true, false }));
}
