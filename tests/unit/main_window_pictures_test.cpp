// The main window's picture swaps: the press pictures from their holders, the
// hover elements lit one at a time with the mouse held, and the light look of
// the visible buttons under the pointer.
#include "FakeMessageBoxes.h"
#include "FakeRtcClient.h"
#include "qt_printers.h"
#include "skin/SkinPictures.h"
#include "windows/MainWindow.h"

#include <QApplication>
#include <QMouseEvent>
#include <QTest>
#include <gtest/gtest.h>

using namespace ralu;
using namespace ralu::testing;

namespace {

struct PicturesFixture : ::testing::Test {
    AppState state;
    FakeRtcClient rtc;
    FakeMessageBoxes boxes;
    CallEngine engine { state, &rtc };
    MainWindow window { engine, state };

    QLabel *element(const char *name) const
    {
        auto *found = window.findChild<QLabel *>(QString::fromLatin1(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    static QImage shown(const QLabel *box) { return box->pixmap().toImage(); }
    static QImage holder(const char *name)
    {
        return skin::holderPicture(QString::fromLatin1(name)).toImage();
    }
    static void send(QWidget *to, QEvent::Type type, QPointF at, Qt::MouseButton button = Qt::NoButton)
    {
        const Qt::MouseButtons held
            = type == QEvent::MouseButtonPress ? Qt::MouseButtons(button) : Qt::NoButton;
        QMouseEvent event(type, at, to->mapToGlobal(at), button, held, Qt::NoModifier);
        QApplication::sendEvent(to, &event);
    }
    void showWindow()
    {
        window.move(100, 100);
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    }
};

} // namespace

TEST_F(PicturesFixture, PressShowsThePressHolderUntilAnyReleaseShowsTheReleaseHolder)
{
    struct Row {
        const char *button, *pressed, *released;
        bool checksInside;
    };
    const Row rows[] = {
        { "Picture18", "offImage7", "onImage21", false },
        { "Picture19", "offImage14", "onImage22", false },
        { "Picture23", "offImage15", "onImage23", false },
        { "Picture24", "offImage16", "onImage24", false },
        { "Picture28", "offImage17", "onImage3", false },
        { "Picture29", "offImage18", "onImage26", false },
        { "Picture33", "offImage19", "onImage27", false },
        { "Picture34", "offImage20", "onImage28", false },
        { "Picture39", "offImage29", "onImage34", false },
        { "Picture42", "offImage30", "onImage35", false },
        { "Picture43", "offImage31", "onImage36", false },
        { "Picture44", "offImage33", "onImage38", false },
        { "Picture45", "offImage32", "onImage37", false },
        { "Picture47", "offImage4", "oonImage3", false },
        { "Picture6", "onPC", "offPC", false },
        { "Picture8", "onCB", "offCB", false },
        { "Picture17", "offBack", "onBack", false },
        { "Picture20", "b1", "a1", true },
        { "Picture21", "on2", "off2", true },
        { "Picture22", "on3", "off3", true },
        { "Picture25", "on4", "off4", true },
        { "Picture26", "on5", "off5", false },
        { "Picture27", "on6", "off6", false },
        { "Picture46", "on7", "off7", false },
        { "Picture31", "on8", "off8", false },
        { "Picture32", "on9", "off9", false },
        { "Picture35", "ony", "offy", false },
        { "Picture36", "on0", "off0", false },
        { "Picture37", "onHash", "offHash", false },
    };
    const Qt::MouseButton buttons[] = { Qt::LeftButton, Qt::RightButton, Qt::MiddleButton };
    int turn = 0;
    for (const Row &row : rows) {
        SCOPED_TRACE(row.button);
        QLabel *box = element(row.button);
        ASSERT_NE(box, nullptr);
        const QImage pressed = holder(row.pressed), released = holder(row.released);
        ASSERT_FALSE(pressed.isNull());
        ASSERT_NE(pressed, released);
        EXPECT_EQ(shown(box), released);
        const QPointF edge(box->width(), box->height()); // still inside
        const QPointF outside(box->width() + 1, -1);
        const Qt::MouseButton button = buttons[turn++ % 3];

        send(box, QEvent::MouseButtonPress, edge, button);
        EXPECT_EQ(shown(box), pressed);
        send(box, QEvent::MouseMove, outside); // moves change nothing
        EXPECT_EQ(shown(box), pressed);
        send(box, QEvent::MouseButtonRelease, outside, button);
        EXPECT_EQ(shown(box), released);

        send(box, QEvent::MouseButtonPress, outside, button);
        EXPECT_EQ(shown(box), row.checksInside ? released : pressed);
        send(box, QEvent::MouseButtonRelease, outside, button);
        EXPECT_EQ(shown(box), released);
    }
}

TEST_F(PicturesFixture, AKeyPressedAndReleasedElsewhereStaysPressedUntilTheRelease)
{
    showWindow();
    QWindow *handle = window.windowHandle();
    QLabel *key = element("Picture21");
    const QPoint centre = key->geometry().center();
    QTest::mousePress(handle, Qt::LeftButton, {}, centre);
    EXPECT_EQ(shown(key), holder("on2"));
    QTest::mouseMove(handle, QPoint(20, 300));
    EXPECT_EQ(shown(key), holder("on2"));
    QTest::mouseRelease(handle, Qt::LeftButton, {}, QPoint(20, 300));
    EXPECT_EQ(shown(key), holder("off2"));
    EXPECT_TRUE(window.numberBox()->text().isEmpty()) << "released off the key: no click";
}

TEST_F(PicturesFixture, HoverElementsLightOneAtATimeAndHoldTheMouseWhileLit)
{
    showWindow();
    struct Row {
        const char *element, *hovered, *normal; // null: the picture stays
    };
    const Row rows[] = {
        { "Picture2", "onAdo", "offAdo" },
        { "Picture7", "onDel", "offDel" },
        { "Picture11", "onPB", "offPB" },
        { "Picture30", "on7", "off7" },
        { "Picture13", nullptr, nullptr },
    };
    int step = 0;
    for (const Row &row : rows) {
        SCOPED_TRACE(row.element);
        QLabel *box = element(row.element);
        ASSERT_NE(box, nullptr);
        const QImage before = shown(box);
        if (row.normal) {
            ASSERT_NE(holder(row.hovered), holder(row.normal));
            EXPECT_EQ(before, holder(row.normal));
        }
        ASSERT_FALSE(window.hoverGroup().lit());
        send(box, QEvent::MouseMove, QPointF(1, 1));
        EXPECT_TRUE(window.hoverGroup().lit());
        EXPECT_EQ(QWidget::mouseGrabber(), box);
        EXPECT_EQ(shown(box), row.hovered ? holder(row.hovered) : before);
        send(box, QEvent::MouseMove, QPointF(box->width(), box->height())); // the edge is still over it
        EXPECT_TRUE(window.hoverGroup().lit());
        // The element holds the mouse: a move anywhere on the window reaches it.
        QTest::mouseMove(window.windowHandle(), QPoint(150, 300 + step++));
        EXPECT_FALSE(window.hoverGroup().lit());
        EXPECT_EQ(QWidget::mouseGrabber(), nullptr);
        EXPECT_EQ(shown(box), before);
    }
}

TEST_F(PicturesFixture, WhileOneHoverElementIsLitTheOthersStayDark)
{
    QLabel *login = element("Picture2");
    QLabel *book = element("Picture11");
    send(login, QEvent::MouseMove, QPointF(5, 5));
    ASSERT_TRUE(window.hoverGroup().lit());
    send(book, QEvent::MouseMove, QPointF(5, 5));
    EXPECT_EQ(shown(book), holder("offPB"));
    EXPECT_EQ(QWidget::mouseGrabber(), login);
    // A move off the other element clears the shared flag and lets go of the mouse.
    send(book, QEvent::MouseMove, QPointF(-1, 5));
    EXPECT_FALSE(window.hoverGroup().lit());
    EXPECT_EQ(QWidget::mouseGrabber(), nullptr);
    send(book, QEvent::MouseMove, QPointF(5, 5));
    EXPECT_EQ(shown(book), holder("onPB"));
    send(book, QEvent::MouseMove, QPointF(5, 14)); // below its 13 rows
    EXPECT_EQ(shown(book), holder("offPB"));
}

TEST_F(PicturesFixture, VisibleButtonsLookLighterUnderThePointerWithoutTouchingPressPictures)
{
    showWindow();
    QWindow *handle = window.windowHandle();
    const QPoint body(150, 300);
    QTest::mouseMove(handle, body + QPoint(1, 1)); // the pointer comes in over the body
    struct Row {
        const char *button;
        QImage resting, hovered;
    };
    PictureButton *history = window.button(MainControl::HistoryButton);
    const Row rows[] = {
        { "Picture26", holder("off5"), skin::hoveredPicture(QStringLiteral("off5")).toImage() },
        { "Picture6", holder("offPC"), skin::hoveredPicture(QStringLiteral("offPC")).toImage() },
        { "Picture3", history->releasedPicture().toImage(), QImage() },
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.button);
        QLabel *box = element(row.button);
        const QPoint over = box->geometry().center();
        QTest::mouseMove(handle, over);
        const QImage lit = shown(box);
        EXPECT_NE(lit, row.resting);
        if (!row.hovered.isNull()) {
            EXPECT_EQ(lit, row.hovered);
        }
        EXPECT_FALSE(window.hoverGroup().lit());
        EXPECT_EQ(QWidget::mouseGrabber(), nullptr);
        QTest::mouseMove(handle, body);
        EXPECT_EQ(shown(box), row.resting);

        QTest::mouseMove(handle, over);
        QTest::mousePress(handle, Qt::LeftButton, {}, over);
        const QImage pressed = shown(box);
        EXPECT_NE(pressed, lit);
        QTest::mouseMove(handle, body + QPoint(2, 2)); // leaving while pressed keeps the press picture
        EXPECT_EQ(shown(box), pressed);
        QTest::mouseRelease(handle, Qt::LeftButton, {}, body + QPoint(2, 2));
        EXPECT_EQ(shown(box), row.resting);
    }
    // The hover elements keep to their own rule; a disabled button stays plain.
    QLabel *login = element("Picture2");
    QEnterEvent enter(QPointF(1, 1), QPointF(1, 1), login->mapToGlobal(QPointF(1, 1)));
    QApplication::sendEvent(login, &enter);
    EXPECT_EQ(shown(login), holder("offAdo"));
    PictureButton *dial = window.button(MainControl::DialButton);
    dial->setEnabled(false);
    QTest::mouseMove(handle, dial->geometry().center());
    EXPECT_EQ(shown(dial), holder("offPC"));
}
