// The web portal links: the addresses the seven portal buttons and the billed
// call history link hand to the browser (through an opener that records
// them), and what the main window does around them.
#include "FakeMessageBoxes.h"
#include "FakeRtcClient.h"
#include "RegisteredPhone.h"
#include "account/SettingsStore.h"
#include "account/WebLinks.h"
#include "app/Softphone.h"
#include "engine/Clock.h"
#include "qt_printers.h"
#include "windows/PortalButtons.h"
#include "windows/RecentWindow.h"
#include "windows/WindowLayer.h"

#include <QApplication>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

using namespace ralu;
using namespace ralu::testing;

TEST(WebLinks, AddressesWithoutASchemeGetHttp)
{
    const std::pair<const char *, const char *> cases[] = {
        { "portal.ralu.example/Photo", "http://portal.ralu.example/Photo" },
        { "127.0.0.1:8088/portal/TV", "http://127.0.0.1:8088/portal/TV" },
        { "localhost:8088/Info", "http://localhost:8088/Info" }, // a port is no scheme
        { "http://127.0.0.1/Vmail", "http://127.0.0.1/Vmail" },
        { "HTTPS://portal.ralu.example/RADIO", "HTTPS://portal.ralu.example/RADIO" },
    };
    for (const auto &[address, expected] : cases)
        EXPECT_EQ(weblinks::withScheme(QString::fromLatin1(address)), QString::fromLatin1(expected))
            << address;
}

TEST(WebLinks, BilledHistoryAddressCarriesTheTrimmedEscapedLoginValues)
{
    struct Case {
        const char *account, *password, *user, *query;
    };
    const Case cases[] = {
        { "", "", "", "Account=&sippwd=&sipID=" }, // before any login
        { "1001", "demo1001", "1001", "Account=1001&sippwd=demo1001&sipID=1001" },
        { " 1001 ", "\tdemo1001 ", " 1001", "Account=1001&sippwd=demo1001&sipID=1001" },
        { "1003", "p\"w<&>'d", "1003", "Account=1003&sippwd=p%22w%3C%26%3E%27d&sipID=1003" },
        { "1001", "a#b=c%d+e f", "1001", "Account=1001&sippwd=a%23b%3Dc%25d%2Be%20f&sipID=1001" },
        { "1001", "p\xC3\xA4ss", "1001", "Account=1001&sippwd=p%C3%A4ss&sipID=1001" },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.password);
        LoginValues login;
        login.strAccountNumber = QString::fromUtf8(c.account);
        login.strPassword = QString::fromUtf8(c.password);
        login.strUserName = QString::fromUtf8(c.user);
        EXPECT_EQ(weblinks::billedHistoryAddress(QStringLiteral("127.0.0.1:8088/account"), login),
            QStringLiteral("http://127.0.0.1:8088/account/callhistbyuser.asp?")
                + QString::fromLatin1(c.query));
    }
}

namespace {

struct PortalFixture : ::testing::Test {
    RegisteredPhone phone;
    QStringList opened;
    void SetUp() override
    {
        phone.registerAccount();
        new PortalButtons(phone.window, phone.engine, QStringLiteral("portal.ralu.example"),
            [this](const QString &address) { opened << address; });
        phone.window.show();
    }
};

} // namespace

TEST_F(PortalFixture, EachButtonOpensItsPageThenTheWindowStaysOnTopWithTheNumberBoxFocused)
{
    const std::pair<const char *, const char *> buttons[] = {
        { "Picture18", "http://portal.ralu.example/Photo" },
        { "Picture19", "http://portal.ralu.example/VIDEO" },
        { "Picture29", "http://portal.ralu.example/TV" },
        { "Picture33", "http://portal.ralu.example/RADIO" },
        { "Picture44", "http://portal.ralu.example/Vmail" },
        { "Picture45", "http://portal.ralu.example/Info" },
        { "Picture47", "http://portal.ralu.example/Freeaccount" },
    };
    const QRect geometry = phone.window.geometry();
    for (const auto &[name, address] : buttons) {
        SCOPED_TRACE(name);
        opened.clear();
        windowlayer::leaveTopBand(&phone.window);
        phone.window.numberBox()->setText(QStringLiteral("555"));
        phone.window.numberBox()->setCursorPosition(0);
        phone.window.numberBox()->clearFocus();
        emit phone.window.findChild<PictureButton *>(QString::fromLatin1(name))->clicked();
        EXPECT_EQ(opened, QStringList { QString::fromLatin1(address) });
        EXPECT_TRUE(windowlayer::isOnTop(&phone.window));
        EXPECT_TRUE(phone.window.isVisible());
        EXPECT_EQ(phone.window.geometry(), geometry);
        EXPECT_EQ(phone.window.focusWidget(), phone.window.numberBox());
        EXPECT_EQ(phone.window.numberBox()->cursorPosition(), 3);
    }
}

namespace {

struct SoftphoneLinks : ::testing::Test {
    QTemporaryDir dir;
    FakeRtcClient rtc;
    FakeMessageBoxes boxes;
    IniSettingsStore store { dir.filePath(QStringLiteral("cfg/settings.ini")) };
    SystemClock clock;
    Softphone phone { &rtc, boxes, store, QStringLiteral("ralu"), dir.path(), clock };
    QStringList opened;
    void SetUp() override
    {
        phone.setOpenAddress([this](const QString &address) { opened << address; });
        phone.window().show();
    }
    // Opens the call history and clicks its link twice.
    void clickBilledHistoryLink()
    {
        QTimer::singleShot(0, [this] {
            auto *recent = qobject_cast<RecentWindow *>(QApplication::activeModalWidget());
            ASSERT_TRUE(recent);
            QLabel *link = recent->billedHistoryLink();
            EXPECT_FALSE(phone.window().windowFlags().testFlag(Qt::WindowStaysOnTopHint));
            for (int i = 0; i < 2; ++i) {
                QTest::mouseClick(link, Qt::LeftButton);
                EXPECT_EQ(link->palette().color(QPalette::WindowText), QColor(0, 0, 255));
            }
            recent->close();
        });
        phone.openHistory();
    }
};

} // namespace

TEST_F(SoftphoneLinks, PortalButtonsOpenTheDeploymentsPortal)
{
    emit phone.window().findChild<PictureButton *>(QStringLiteral("Picture47"))->clicked();
    ASSERT_EQ(opened.size(), 1);
    EXPECT_TRUE(opened.first().endsWith(QStringLiteral("/Freeaccount"))) << opened.first().toStdString();
    EXPECT_TRUE(windowlayer::isOnTop(&phone.window()));
}

TEST_F(SoftphoneLinks, BilledHistoryLinkTurnsBlueAndOpensTheAccountsPage)
{
    phone.state().login.strAccountNumber = QStringLiteral("1003");
    phone.state().login.strPassword = QStringLiteral("p\"w<&>'d");
    phone.state().login.strUserName = QStringLiteral("1003");
    windowlayer::placeOnTop(&phone.window());
    clickBilledHistoryLink();
    ASSERT_EQ(opened.size(), 2);
    EXPECT_EQ(opened.at(0), opened.at(1));
    EXPECT_TRUE(opened.first().endsWith(
        QStringLiteral("/callhistbyuser.asp?Account=1003&sippwd=p%22w%3C%26%3E%27d&sipID=1003")))
        << opened.first().toStdString();
}

TEST_F(SoftphoneLinks, BilledHistoryLinkBeforeAnyLoginCarriesEmptyValues)
{
    clickBilledHistoryLink();
    ASSERT_EQ(opened.size(), 2);
    EXPECT_TRUE(opened.first().endsWith(QStringLiteral("/callhistbyuser.asp?Account=&sippwd=&sipID=")))
        << opened.first().toStdString();
}
