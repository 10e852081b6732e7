// The main window's way into the child windows: the call history and phone
// book buttons and the missed-call indicator open them modally over it, on
// the files of the folder the Softphone was given, and give the number box
// the focus back afterwards.
#include "CallEngineTestAccess.h"
#include "FakeMessageBoxes.h"
#include "FakeRtcClient.h"
#include "account/SettingsStore.h"
#include "app/Softphone.h"
#include "engine/Clock.h"
#include "qt_printers.h"
#include "skin/PictureButton.h"
#include "windows/PhoneBookWindow.h"
#include "windows/RecentWindow.h"

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>

using namespace ralu;
using namespace ralu::testing;

namespace {

struct SoftphoneWindowsTest : ::testing::Test {
    QTemporaryDir dir;
    FakeRtcClient rtc;
    FakeMessageBoxes boxes;
    IniSettingsStore store { dir.filePath(QStringLiteral("cfg/settings.ini")) };
    SystemClock clock;
    Softphone phone { &rtc, boxes, store, QStringLiteral("ralu"), dir.path(), clock };

    // Clicks a main window button and, once the modal window it opens is up,
    // hands that window to `inspect` and closes it. False when no modal
    // window came up.
    bool clickAndInspect(const char *button, const std::function<void(QWidget *)> &inspect)
    {
        bool seen = false;
        QTimer::singleShot(0, [&] {
            QWidget *modal = QApplication::activeModalWidget();
            if (!modal)
                return;
            seen = true;
            inspect(modal);
            modal->close();
        });
        emit phone.window().findChild<PictureButton *>(QString::fromLatin1(button))->clicked();
        return seen;
    }

    void expectNumberBoxFocusedAtItsEnd()
    {
        QLineEdit *number = phone.window().numberBox();
        EXPECT_EQ(phone.window().focusWidget(), number);
        EXPECT_EQ(number->cursorPosition(), number->text().size());
    }

    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        phone.window().show();
        phone.engine().presenter().setNumberText(QStringLiteral("12345"));
        phone.window().numberBox()->setCursorPosition(0);
    }
};

} // namespace

TEST_F(SoftphoneWindowsTest, PhoneBookButtonOpensThePhoneBookOfTheGivenFolderModally)
{
    const bool opened = clickAndInspect("Picture5", [&](QWidget *modal) {
        auto *book = qobject_cast<PhoneBookWindow *>(modal);
        ASSERT_TRUE(book);
        EXPECT_EQ(book->parentWidget(), &phone.window());
        EXPECT_EQ(book->book().filePath(), dir.filePath(QStringLiteral("PhoneBook.txt")));
        EXPECT_TRUE(QFile::exists(book->book().filePath()));
        EXPECT_TRUE(phone.state().blnPhoneBookOpen);
    });
    EXPECT_TRUE(opened);
    EXPECT_FALSE(phone.state().blnPhoneBookOpen);
    expectNumberBoxFocusedAtItsEnd();
}

TEST_F(SoftphoneWindowsTest, HistoryButtonOpensTheHistoryOfTheGivenFolderOnDialedCalls)
{
    phone.history().addRecentCall(QStringLiteral("555"), CallKind::Dialed);
    const bool opened = clickAndInspect("Picture3", [&](QWidget *modal) {
        auto *recent = qobject_cast<RecentWindow *>(modal);
        ASSERT_TRUE(recent);
        EXPECT_EQ(recent->parentWidget(), &phone.window());
        EXPECT_EQ(recent->kind(), CallKind::Dialed);
        ASSERT_EQ(recent->list()->count(), 1);
        EXPECT_TRUE(recent->list()->item(0)->text().startsWith(QStringLiteral("555  [")));
    });
    EXPECT_TRUE(opened);
    expectNumberBoxFocusedAtItsEnd();
}

TEST_F(SoftphoneWindowsTest, MissedCallIndicatorAcknowledgesAndOpensTheHistoryOnMissedCalls)
{
    const bool opened = clickAndInspect("MissedCalls", [&](QWidget *modal) {
        auto *recent = qobject_cast<RecentWindow *>(modal);
        ASSERT_TRUE(recent);
        EXPECT_EQ(recent->kind(), CallKind::Missed);
    });
    EXPECT_TRUE(opened);
    EXPECT_TRUE(phone.state().openRecentOnMissed);
    EXPECT_FALSE(CallEngineTestAccess::missedIndicatorShown(phone.engine()));
    expectNumberBoxFocusedAtItsEnd();
}

TEST_F(SoftphoneWindowsTest, CtrlBOpensThePhoneBookAndCtrlHTheHistory)
{
    for (const auto &[key, opens] :
        { std::pair(Qt::Key_B, "frmPhoneBook"), std::pair(Qt::Key_H, "frmRecent") }) {
        SCOPED_TRACE(opens);
        phone.window().activateWindow(); // again once the window opened before has closed
        ASSERT_TRUE(QTest::qWaitForWindowActive(&phone.window()));
        QString opened;
        QTimer::singleShot(0, [&opened] {
            if (QWidget *modal = QApplication::activeModalWidget()) {
                opened = modal->objectName();
                modal->close();
            }
        });
        QTest::keyClick(phone.window().numberBox(), key, Qt::ControlModifier);
        EXPECT_EQ(opened, QString::fromLatin1(opens));
        expectNumberBoxFocusedAtItsEnd();
    }
}

TEST_F(SoftphoneWindowsTest, ANumberHandedOverGoesIntoTheBoxUndialledAndWaitsForTheCallsEnd)
{
    CallEngine &engine = phone.engine();
    engine.prepareLoad();
    phone.state().login.strUserName = QStringLiteral("1001");
    phone.state().login.strLoginSIPIP = QStringLiteral("127.0.0.1");
    ASSERT_TRUE(engine.initializeRTC());
    engine.registerAccount();
    rtc.registration(RTCRS_REGISTERED);
    phone.window().show();

    phone.bringToFront(QStringLiteral("5551234"));
    EXPECT_EQ(engine.presenter().numberText(), QStringLiteral("5551234"));
    expectNumberBoxFocusedAtItsEnd();

    const auto call = rtc.connectedCallFrom("sip:777@127.0.0.1");
    phone.bringToFront(QStringLiteral("4420"));
    EXPECT_NE(engine.presenter().numberText(), QStringLiteral("4420")) << "not over the call under way";
    rtc.session(call, RTCSS_DISCONNECTED);
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return engine.presenter().numberText() == QStringLiteral("4420"); }, 1000));
    CallEngineTestAccess::tick(engine, EngineTimer::Ready); // the end's reset leaves it
    EXPECT_EQ(engine.presenter().numberText(), QStringLiteral("4420"));
    EXPECT_TRUE(rtc.createdSessions.empty()) << "nothing is dialled";
}
