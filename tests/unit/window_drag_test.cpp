// Moving borderless windows by their body, and the rounded start-up outline.
#include "qt_printers.h"
#include "skin/WindowDrag.h"
#include "skin/WindowShape.h"

#include <QLineEdit>
#include <QTest>
#include <QWidget>
#include <gtest/gtest.h>

using namespace ralu;

TEST(DragMove, WindowJumpsByThePointersTravelOnlyBeyondFivePixels)
{
    struct Case {
        QPointF press, release;
        bool far;
        QPoint topLeft; // from a window at (100, 200)
    };
    const Case cases[] = {
        { { 40, 30 }, { 40, 30 }, false, {} }, { { 40, 30 }, { 43, 32 }, false, {} },
        { { 40, 30 }, { 45, 25 }, false, {} }, // exactly five is not beyond
        { { 40, 30 }, { 46, 30 }, true, { 106, 200 } }, { { 40, 30 }, { 40, 24 }, true, { 100, 194 } },
        { { 40, 30 }, { -20, 90 }, true, { 40, 260 } },
        { { 40.5, 29.5 }, { 50.5, 29.5 }, true, { 110, 200 } }, // press rounds halves to even: 40, 30
        { { 41.5, 30 }, { 51.5, 30 }, true, { 110, 200 } }, // 42: the jump rounds back to even
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.release));
        DragMove drag;
        drag.press(c.press, QPoint(100, 200));
        EXPECT_EQ(drag.travelledFar(c.release), c.far);
        if (c.far) {
            EXPECT_EQ(drag.movedTopLeft(c.release), c.topLeft);
        }
    }
}

TEST(WindowDrag, AnyButtonMovesTheWindowAtTheReleaseAndANumberBoxIsAGrabAreaToo)
{
    QWidget window(nullptr, Qt::Window | Qt::FramelessWindowHint);
    window.resize(200, 150);
    auto *box = new QLineEdit(QStringLiteral("0123456789"), &window);
    box->setGeometry(10, 10, 120, 24);
    auto *drag = new WindowDrag(&window);
    drag->addGrabArea(box);
    int releases = 0;
    bool lastMoved = false;
    drag->setAfterRelease([&](QWidget *, bool moved) {
        ++releases;
        lastMoved = moved;
    });
    window.move(300, 300);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));

    struct Case {
        QWidget *area;
        Qt::MouseButton button;
        QPoint press, release;
        QPoint travel;
    };
    const Case cases[] = {
        { &window, Qt::LeftButton, { 150, 100 }, { 150, 100 }, { 0, 0 } },
        { &window, Qt::LeftButton, { 150, 100 }, { 153, 102 }, { 0, 0 } },
        { &window, Qt::RightButton, { 150, 100 }, { 170, 90 }, { 20, -10 } },
        { box, Qt::LeftButton, { 20, 10 }, { 20, 40 }, { 0, 30 } },
        { box, Qt::LeftButton, { 20, 10 }, { 24, 14 }, { 0, 0 } },
    };
    for (const Case &c : cases) {
        const QPoint before = window.pos();
        QTest::mousePress(c.area, c.button, {}, c.press);
        QTest::mouseMove(c.area, c.release);
        EXPECT_EQ(window.pos(), before); // it stays put while the button is held
        QTest::mouseRelease(c.area, c.button, {}, c.release);
        EXPECT_EQ(window.pos(), before + c.travel);
        EXPECT_EQ(lastMoved, !c.travel.isNull());
    }
    EXPECT_EQ(releases, 5);
}

TEST(WindowShape, RoundedOutlineOfTheStartSize)
{
    const QRegion outline = skin::roundedOutline(skin::kStartShapeSize);
    EXPECT_EQ(outline.boundingRect(), QRect(QPoint(10, 10), QPoint(296, 390))); // (10, 10) to (297, 391)
    struct Probe {
        QPoint at;
        bool inside;
    };
    const Probe probes[] = {
        { { 150, 200 }, true },
        { { 10, 200 }, true },
        { { 296, 200 }, true },
        { { 150, 10 }, true },
        { { 150, 390 }, true },
        { { 10, 10 }, false },
        { { 296, 10 }, false },
        { { 10, 390 }, false },
        { { 296, 390 }, false },
        { { 30, 15 }, false },
        { { 85, 10 }, true },
        { { 150, 391 }, false },
        { { 297, 200 }, false },
    };
    for (const Probe &p : probes)
        EXPECT_EQ(outline.contains(p.at), p.inside) << p.at.x() << "," << p.at.y();
}
