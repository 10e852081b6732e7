// What a screen reader and the keyboard find in the skinned windows: every
// control that shows is named, every button is a button that can be pressed,
// whatever lies outside an outline is invisible, Tab reaches each control
// once, Space presses a button and the arrow keys move a level knob.
#include "RegisteredPhone.h"
#include "account/LoginController.h"
#include "account/SettingsStore.h"
#include "qt_printers.h"
#include "windows/AudioSetupWindow.h"
#include "windows/LevelSliders.h"
#include "windows/LoginWindow.h"
#include "windows/PhoneBookWindow.h"
#include "windows/RecentWindow.h"

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QApplication>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

using namespace ralu;
using namespace ralu::testing;

namespace {

struct Windows : ::testing::Test {
    QTemporaryDir dir;
    RegisteredPhone phone;
    IniSettingsStore store { dir.filePath(QStringLiteral("settings.ini")) };
    SavedLogin saved { store, QStringLiteral("ralu") };
    LoginController controller { phone.state, saved, phone.boxes, { "a ", "b ", "c ", "127.0.0.1" }, {} };
    LoginWindow login { controller };
    RecentWindow recent { dir.filePath(QStringLiteral("recentcall.txt")), phone.state, phone.boxes, {} };
    PhoneBookWindow book { dir.path(), phone.state, phone.boxes, {} };
    AudioSetupWindow audio { phone.rtc };
    void SetUp() override { phone.registerAccount(); }
};

// A window's controls as a screen reader sees them: its children that are
// not invisible and take the focus or clicks.
std::vector<QAccessibleInterface *> shownControls(QWidget *window)
{
    std::vector<QAccessibleInterface *> shown;
    QAccessibleInterface *parent = QAccessible::queryAccessibleInterface(window);
    for (int i = 0; i < parent->childCount(); ++i) {
        QAccessibleInterface *iface = parent->child(i);
        if (!iface->state().invisible
            && (iface->state().focusable || qobject_cast<SkinButton *>(iface->object())))
            shown.push_back(iface);
    }
    return shown;
}

} // namespace

TEST_F(Windows, EveryShownControlIsNamedAndEveryButtonIsPressable)
{
    for (QWidget *window :
        std::initializer_list<QWidget *> { &phone.window, &login, &recent, &book, &audio }) {
        window->show();
        int pressed = 0;
        for (QAccessibleInterface *iface : shownControls(window)) {
            auto *widget = static_cast<QWidget *>(iface->object());
            SCOPED_TRACE((window->objectName() + QLatin1Char('/') + widget->objectName()).toStdString());
            EXPECT_FALSE(iface->text(QAccessible::Name).trimmed().isEmpty());
            auto *button = qobject_cast<SkinButton *>(widget);
            if (!button || button->level())
                continue;
            EXPECT_EQ(iface->role(), QAccessible::Button);
            if (!button->isEnabled())
                continue;
            QObject::disconnect(button, &SkinButton::clicked, nullptr, nullptr); // only whether it clicks
            QSignalSpy clicked(button, &SkinButton::clicked);
            iface->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
            pressed += clicked.count();
        }
        EXPECT_GE(pressed, 2) << window->objectName().toStdString();
        // Controls past the outline exist but are nothing to a screen reader.
        for (SkinButton *button : window->findChildren<SkinButton *>())
            EXPECT_TRUE(window->rect().contains(button->geometry())
                || QAccessible::queryAccessibleInterface(button)->state().invisible)
                << button->objectName().toStdString();
        window->hide();
    }
    // Named by a tip (its blank trimmed) or by the caption of the field.
    const auto name
        = [](QWidget *w) { return QAccessible::queryAccessibleInterface(w)->text(QAccessible::Name); };
    EXPECT_EQ(name(phone.window.button(MainControl::ForwardButton)), QStringLiteral("Forward"));
    EXPECT_EQ(name(login.saveBox()), QStringLiteral("Save"));
}

TEST_F(Windows, TabReachesEachShownControlOnceAndTheKeysPressThem)
{
    MainWindow &window = phone.window;
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    std::set<QObject *> expected;
    for (QAccessibleInterface *iface : shownControls(&window))
        if (iface->state().focusable)
            expected.insert(iface->object());
    std::vector<QWidget *> visited { window.numberBox() };
    window.numberBox()->setFocus();
    do {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        visited.push_back(QApplication::focusWidget());
    } while (visited.back() != visited.front() && visited.size() <= 2 * expected.size());
    visited.pop_back();
    EXPECT_EQ(std::set<QObject *>(visited.begin(), visited.end()), expected);
    EXPECT_EQ(visited.size(), expected.size()) << "each once, and round";
    // Space shows a key pressed while held, and presses it at the release.
    PictureButton *five = window.button(MainControl::Key5);
    five->setFocus();
    QTest::keyPress(five, Qt::Key_Space);
    EXPECT_EQ(five->pixmap().toImage(), five->pressedPicture().toImage());
    QTest::keyRelease(five, Qt::Key_Space);
    EXPECT_EQ(five->pixmap().toImage(), five->releasedPicture().toImage());
    EXPECT_EQ(phone.engine.presenter().numberText(), QStringLiteral("5"));
    // A level knob is a slider: the arrow keys and a screen reader's value move it.
    window.levelSliders()->placeKnobs();
    PictureButton *knob = window.button(MainControl::MicIcon);
    knob->setFocus();
    QTest::keyClick(knob, Qt::Key_Down);
    const long level = phone.rtc.volumes[RTCAD_MICROPHONE];
    QTest::keyClick(knob, Qt::Key_Up);
    EXPECT_GT(phone.rtc.volumes[RTCAD_MICROPHONE], level);
    QAccessibleInterface *slider = QAccessible::queryAccessibleInterface(knob);
    slider->valueInterface()->setCurrentValue(0);
    EXPECT_EQ(phone.rtc.volumes[RTCAD_MICROPHONE], 0);
    QTest::keyClick(knob, Qt::Key_Home);
    EXPECT_EQ(slider->valueInterface()->currentValue().toInt(), 100);
}
