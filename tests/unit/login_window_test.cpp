// The login window on the offscreen platform: the server box takes the keys
// that pick a server from the list and no typed text, and closing the window
// leaves it as its exit button does, which at start-up ends Ralu.
#include "FakeMessageBoxes.h"
#include "FakeRtcClient.h"
#include "account/LoginController.h"
#include "account/SettingsStore.h"
#include "app/Softphone.h"
#include "engine/Clock.h"
#include "qt_printers.h"
#include "windows/LoginWindow.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QLabel>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <functional>
#include <gtest/gtest.h>

using namespace ralu;
using namespace ralu::testing;

namespace {

const QStringList kPresets { "sip1.ralu.example ", "sip2.ralu.example ", "sip3.ralu.example ", "127.0.0.1" };

struct LoginWindowTest : ::testing::Test {
    QTemporaryDir dir;
    IniSettingsStore store { dir.filePath(QStringLiteral("cfg/settings.ini")) };
    SavedLogin saved { store, QStringLiteral("ralu") };
    AppState state;
    FakeMessageBoxes boxes;
    LoginController controller { state, saved, boxes, kPresets, {} };
};

} // namespace

TEST_F(LoginWindowTest, ServerBoxTakesListKeysButNoTypedText)
{
    const struct {
        const char *name;
        int startIndex;
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        int expectedIndex;
    } cases[] = {
        { "Down", 0, Qt::Key_Down, Qt::NoModifier, 1 },
        { "Up", 2, Qt::Key_Up, Qt::NoModifier, 1 },
        { "End", 0, Qt::Key_End, Qt::NoModifier, 3 },
        { "Home", 3, Qt::Key_Home, Qt::NoModifier, 0 },
        { "typed digit", 0, Qt::Key_1, Qt::NoModifier, 0 },
        { "typed letter", 1, Qt::Key_S, Qt::ShiftModifier, 1 },
        { "typed blank", 2, Qt::Key_Space, Qt::NoModifier, 2 },
        { "Backspace", 0, Qt::Key_Backspace, Qt::NoModifier, 0 },
    };
    LoginWindow window(controller);
    window.show();
    QComboBox *server = window.serverBox();
    server->setFocus();
    for (QWidget *receiver : { window.focusWidget(), static_cast<QWidget *>(server->lineEdit()) }) {
        ASSERT_TRUE(receiver);
        for (const auto &c : cases) {
            SCOPED_TRACE(std::string(c.name) + " to " + receiver->metaObject()->className());
            server->setCurrentIndex(c.startIndex);
            QTest::keyClick(receiver, c.key, c.modifiers);
            EXPECT_EQ(server->currentIndex(), c.expectedIndex);
            EXPECT_EQ(server->currentText(), kPresets.at(c.expectedIndex));
        }
    }

    // Alt+Down opens the list to choose from.
    server->setCurrentIndex(0);
    QTest::keyClick(window.focusWidget(), Qt::Key_Down, Qt::AltModifier);
    EXPECT_TRUE(server->view()->isVisible());
    server->hidePopup();
}

TEST_F(LoginWindowTest, ClosingTheWindowLeavesAsTheExitButtonDoes)
{
    const std::pair<const char *, std::function<void(LoginWindow &)>> closings[] = {
        { "close event", [](LoginWindow &w) { w.close(); } },
        { "window manager's close", [](LoginWindow &w) { w.windowHandle()->close(); } },
    };
    for (const auto &[name, closeIt] : closings) {
        for (const bool startup : { true, false }) {
            SCOPED_TRACE(std::string(name) + (startup ? " at start-up" : " later"));
            state = AppState {};
            state.blnStartupLogin = startup;
            state.blnPhoneBookOpen = true;
            LoginWindow window(controller);
            window.show();
            ASSERT_TRUE(window.windowHandle());
            closeIt(window);
            EXPECT_FALSE(window.isVisible());
            EXPECT_EQ(window.result(), QDialog::Rejected);
            EXPECT_EQ(state.startupAbandoned, startup);
            EXPECT_FALSE(state.blnPhoneBookOpen);
        }
    }
}

TEST(LoginWindowAtStartUp, ClosingTheWindowEndsTheStartUp)
{
    QTemporaryDir dir;
    FakeRtcClient rtc;
    FakeMessageBoxes boxes;
    IniSettingsStore store { dir.filePath(QStringLiteral("cfg/settings.ini")) };
    SystemClock clock;
    Softphone phone { &rtc, boxes, store, QStringLiteral("ralu"), dir.path(), clock };

    bool closed = false;
    QTimer::singleShot(0, [&] {
        if (auto *login = qobject_cast<LoginWindow *>(QApplication::activeModalWidget()))
            closed = login->close();
    });
    EXPECT_FALSE(phone.start());
    EXPECT_TRUE(closed);
    EXPECT_TRUE(phone.state().startupAbandoned);
    EXPECT_FALSE(phone.window().isVisible());
}

TEST_F(LoginWindowTest, EnterLogsInAndEscapeLeavesAsTheExitButtonDoes)
{
    const std::tuple<Qt::Key, Qt::KeyboardModifiers, bool, int> cases[] = {
        { Qt::Key_Enter, Qt::KeypadModifier, false, QDialog::Accepted }, // Return: keyboard_x11
        { Qt::Key_Return, Qt::NoModifier, true, QDialog::Rejected }, // on the exit button
        { Qt::Key_Escape, Qt::NoModifier, false, QDialog::Rejected },
    };
    for (const auto &[key, modifiers, onExit, result] : cases) {
        SCOPED_TRACE(QKeySequence(key).toString().toStdString() + (onExit ? " on Exit" : ""));
        state = AppState {};
        state.blnStartupLogin = true;
        LoginWindow window(controller);
        window.show();
        window.accountBox()->setText(QStringLiteral("1001"));
        window.passwordBox()->setText(QStringLiteral("demo1001"));
        window.serverBox()->setCurrentIndex(3);
        QWidget *focus = onExit ? static_cast<QWidget *>(window.exitButton()) : window.passwordBox();
        focus->setFocus();
        QTest::keyClick(focus, key, modifiers);
        EXPECT_EQ(window.result(), result);
        EXPECT_EQ(state.startupAbandoned, result == QDialog::Rejected);
    }
}

TEST_F(LoginWindowTest, PasswordShowsStarsAndTheServerAndSaveBoxesShowWhole)
{
    LoginWindow window(controller);
    window.show();
    window.passwordBox()->setText(QStringLiteral("abc"));
    EXPECT_EQ(window.passwordBox()->displayText(), QStringLiteral("***"));
    QLineEdit *server = window.serverBox()->lineEdit();
    const int room = server->contentsRect().width() - 4; // less the line edit's margins
    for (const QString &preset : kPresets)
        EXPECT_LE(server->fontMetrics().horizontalAdvance(preset.trimmed()), room) << preset.toStdString();
    const QCheckBox *save = window.saveBox();
    EXPECT_TRUE(save->rect().contains(QRect(QPoint(), save->sizeHint()))) << "the box's edges all show";
}

TEST_F(LoginWindowTest, CaptionsShowWholeInTheWiderFontOfABareSystem)
{
    // Where Arial is missing and DejaVu Sans stands in (a bare Debian).
    QFont::insertSubstitution(QStringLiteral("Arial"), QStringLiteral("DejaVu Sans"));
    LoginWindow window(controller);
    const QList<QLabel *> captions = window.findChildren<QLabel *>();
    EXPECT_GE(captions.size(), 4);
    for (const QLabel *caption : captions) {
        if (caption->text().isEmpty())
            continue; // the background picture
        EXPECT_LE(caption->fontMetrics().boundingRect(caption->text()).width(), caption->width())
            << caption->text().toStdString();
        EXPECT_LE(caption->fontMetrics().height(), caption->height()) << caption->text().toStdString();
    }
    QFont::removeSubstitutions(QStringLiteral("Arial"));
}
