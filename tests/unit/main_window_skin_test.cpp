// The main window's skin toolkit: its tips, in order and word for word, and
// its grab areas, the number box among them.
#include "RegisteredPhone.h"
#include "qt_printers.h"
#include "skin/Tooltip.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QLabel>
#include <QMenu>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

using namespace ralu;
using namespace ralu::testing;

namespace {

struct MainWindowSkin : ::testing::Test {
    RegisteredPhone phone;
    void SetUp() override { phone.registerAccount(); }
};

} // namespace

TEST_F(MainWindowSkin, SeventeenTipsInTheirOrderWithTheirExactTexts)
{
    const std::pair<const char *, const char *> expected[] = {
        { "Picture12", "Hold" },
        { "Picture6", "Click to Make Call" },
        { "Picture11", "SoftPhone Book" },
        { "Picture2", "Login Server" },
        { "Picture3", "Call History" },
        { "Picture17", "Clear Current Number" },
        { "Picture8", "Click to End Call" },
        { "Picture13", "Audio Wizard" },
        { "Picture41", "Hide Application to System Tray" },
        { "Picture40", "Close and Exit Application" },
        { "cmbPhoneNo", "Include International Country Code" },
        { "Picture5", "Phone Book" },
        { "Picture7", "Clear Number One By One" },
        { "Picture14", "Forward " },
        { "Picture9", "Call History" },
        { "Picture10", "Transfer" },
        { "Picture15", "Do not disturb" },
    };
    skin::Tooltip *tips = phone.window.tooltip();
    ASSERT_NE(tips, nullptr);
    ASSERT_EQ(tips->tools().size(), std::size(expected));
    for (std::size_t i = 0; i < std::size(expected); ++i) {
        const skin::ToolRecord &record = tips->tools().at(static_cast<qsizetype>(i));
        ASSERT_TRUE(record.tool);
        EXPECT_EQ(record.tool->objectName(), QString::fromLatin1(expected[i].first));
        EXPECT_EQ(tips->registeredText(record.tool), QString::fromLatin1(expected[i].second));
        EXPECT_EQ(record.margin, 5);
        EXPECT_EQ(record.showMode, 1);
        EXPECT_TRUE(record.tool->toolTip().isEmpty()); // one tip, not Qt's as well
    }
}

TEST_F(MainWindowSkin, BodyLabelsAndNumberBoxDragTheWindowAndGiveTheNumberBoxTheFocus)
{
    MainWindow &window = phone.window;
    window.move(200, 100);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    window.activateWindow();
    phone.engine.presenter().setNumberText(QStringLiteral("0044123"));
    QLineEdit *box = window.numberBox();
    struct Case {
        QWidget *area;
        QPoint press, release, travel;
    };
    const Case cases[] = {
        { &window, { 150, 300 }, { 150, 300 }, { 0, 0 } }, // a click on the body
        { window.label(MainControl::BalanceLabel), { 20, 5 }, { 40, 15 }, { 20, 10 } },
        { window.label(MainControl::StatusLabel), { 5, 5 }, { 8, 9 }, { 0, 0 } },
        { box, { 30, 10 }, { 30, -20 }, { 0, -30 } },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.area->objectName().toStdString());
        box->setCursorPosition(0);
        const QPoint before = window.pos();
        // The labels let the mouse through: the event reaches the window.
        QWidget *target = c.area->testAttribute(Qt::WA_TransparentForMouseEvents) ? &window : c.area;
        const QPoint offset = target == c.area ? QPoint() : c.area->pos();
        QTest::mousePress(target, Qt::LeftButton, {}, offset + c.press);
        QTest::mouseRelease(target, Qt::LeftButton, {}, offset + c.release);
        EXPECT_EQ(window.pos(), before + c.travel);
        EXPECT_EQ(box->cursorPosition(), box->text().size()); // caret after the last character
    }
}

TEST_F(MainWindowSkin, RightButtonDragsTheBodyAndAClickInPlaceOpensTheWindowMenu)
{
    MainWindow &window = phone.window;
    window.move(200, 100);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    struct Case {
        QPoint release;
        QPoint pos;
        bool menu;
    };
    const Case cases[] = {
        { { 180, 320 }, { 230, 120 }, false },
        { { 151, 301 }, { 230, 120 }, true },
    };
    for (const Case &c : cases) {
        bool menuShown = false;
        // The menu runs its own loop; look at it from inside and close it.
        QTimer::singleShot(50, [&menuShown] {
            if (QWidget *popup = QApplication::activePopupWidget()) {
                menuShown = qobject_cast<QMenu *>(popup) != nullptr;
                popup->close();
            }
        });
        QTest::mousePress(&window, Qt::RightButton, {}, QPoint(150, 300));
        // The window system asks for the context menu at the press.
        QContextMenuEvent menuAsked(
            QContextMenuEvent::Mouse, QPoint(150, 300), window.mapToGlobal(QPoint(150, 300)));
        QApplication::sendEvent(&window, &menuAsked);
        QTest::mouseRelease(&window, Qt::RightButton, {}, c.release);
        QTest::qWait(100);
        EXPECT_EQ(window.pos(), c.pos);
        EXPECT_EQ(menuShown, c.menu);
    }
}

TEST_F(MainWindowSkin, ARightClickOnAButtonOrAKnobLeavesItDrawnReleased)
{
    MainWindow &window = phone.window;
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    for (MainControl key : { MainControl::Key5, MainControl::MicIcon }) {
        PictureButton *button = window.button(key);
        bool menuShown = false;
        // The window menu takes the mouse: the button never hears the release.
        QTimer::singleShot(50, [&menuShown] { menuShown = QApplication::activePopupWidget()->close(); });
        QTest::mousePress(button, Qt::RightButton, {}, QPoint(5, 5));
        ASSERT_EQ(button->pixmap().toImage(), button->pressedPicture().toImage());
        QContextMenuEvent menuAsked(
            QContextMenuEvent::Mouse, QPoint(5, 5), button->mapToGlobal(QPoint(5, 5)));
        QApplication::sendEvent(button, &menuAsked);
        EXPECT_TRUE(menuShown);
        EXPECT_EQ(button->pixmap().toImage(), button->releasedPicture().toImage());
    }
}
