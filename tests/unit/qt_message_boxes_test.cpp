// With no window active a message box opens over its owner's window, not
// parentless (at the screen's top-left corner, at times).
#include "windows/QtMessageBoxes.h"

#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <gtest/gtest.h>

using namespace ralu;

TEST(QtMessageBoxes, ABoxWithNoActiveWindowOpensOverItsOwnersWindow)
{
    QWidget owner;
    QtMessageBoxes boxes;
    boxes.setOwner([&owner] { return &owner; });
    for (const bool shown : { true, false }) {
        SCOPED_TRACE(shown ? "owner's window shown" : "owner's window hidden");
        owner.setVisible(shown);
        QApplication::setActiveWindow(nullptr);
        QWidget *parent = &owner; // stays unless a box shows
        QTimer::singleShot(0, [&parent] {
            QWidget *box = QApplication::activeModalWidget();
            parent = box->parentWidget();
            box->close();
        });
        boxes.show(QStringLiteral("Call failed"), MessageBoxes::Icon::Information);
        EXPECT_EQ(parent, shown ? &owner : nullptr);
    }
}
