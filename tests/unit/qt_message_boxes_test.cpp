// Message boxes open over a window of Ralu's, the active one or, when none is
// active, the owner's: a box without a parent can open at the screen's
// top-left corner.
#include "windows/QtMessageBoxes.h"

#include <QApplication>
#include <QMessageBox>
#include <QTimer>
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
        QWidget *parent = &owner;
        QString text;
        QTimer::singleShot(0, [&] {
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
                parent = box->parentWidget();
                text = box->text();
                box->close();
            }
        });
        boxes.show(QStringLiteral("Call failed"), MessageBoxes::Icon::Information);
        EXPECT_EQ(text, QStringLiteral("Call failed"));
        EXPECT_EQ(parent, shown ? &owner : nullptr);
    }
}
