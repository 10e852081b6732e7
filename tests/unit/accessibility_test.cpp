// What a screen reader and the keyboard find in the skinned windows: every
// control that shows is named, every button is a button that can be pressed,
// whatever lies outside an outline is invisible, Tab reaches each control
// once, Space presses a button and the arrow keys move a level knob.
#include "RegisteredPhone.h"
#include "account/LoginController.h"
#include "account/SettingsStore.h"
#include "qt_printers.h"
#include "skin/SkinButton.h"
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

// The window's controls as a screen reader sees them: its children that are
// not invisible and take the focus or clicks.
std::vector<QAccessibleInterface *> shownControls(QWidget *window)
{
    std::vector<QAccessibleInterface *> shown;
    QAccessibleInterface *windowIface = QAccessible::queryAccessibleInterface(window);
    for (int i = 0; i < windowIface->childCount(); ++i) {
        QAccessibleInterface *iface = windowIface->child(i);
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
        int buttons = 0;
        for (QAccessibleInterface *iface : shownControls(window)) {
            auto *widget = qobject_cast<QWidget *>(iface->object());
            SCOPED_TRACE((window->objectName() + QLatin1Char('/') + widget->objectName()).toStdString());
            EXPECT_FALSE(iface->text(QAccessible::Name).trimmed().isEmpty());
            EXPECT_TRUE(window->rect().contains(widget->geometry())) << "outside the window, yet shown";
            auto *button = qobject_cast<SkinButton *>(widget);
            if (!button || button->level())
                continue;
            EXPECT_EQ(iface->role(), QAccessible::Button);
            if (!button->isEnabled())
                continue;
            ++buttons;
            ASSERT_TRUE(iface->actionInterface());
            ASSERT_TRUE(
                iface->actionInterface()->actionNames().contains(QAccessibleActionInterface::pressAction()));
            QObject::disconnect(button, &SkinButton::clicked, nullptr, nullptr); // only whether it clicks
            QSignalSpy clicked(button, &SkinButton::clicked);
            iface->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
            EXPECT_EQ(clicked.count(), 1);
        }
        EXPECT_GE(buttons, 2) << window->objectName().toStdString();
        // Controls past the outline exist but are nothing to a screen reader.
        for (SkinButton *button : window->findChildren<SkinButton *>())
            if (!window->rect().contains(button->geometry())) {
                EXPECT_TRUE(QAccessible::queryAccessibleInterface(button)->state().invisible)
                    << button->objectName().toStdString();
            }
        window->hide();
    }
}

TEST_F(Windows, ButtonsAreNamedByTheirTipsOrCaptionsAndFieldsByTheirLabels)
{
    const struct {
        QWidget *window;
        const char *control, *name, *labelledBy;
        QAccessible::Role role;
    } rows[] = {
        { &phone.window, "Picture6", "Click to Make Call", nullptr, QAccessible::Button },
        { &phone.window, "Picture14", "Forward", nullptr, QAccessible::Button },
        { &phone.window, "Picture26", "5", nullptr, QAccessible::Button },
        { &phone.window, "Picture18", "Photo", nullptr, QAccessible::Button },
        { &phone.window, "picMic", "Microphone level", nullptr, QAccessible::Slider },
        { &login, "txtAcctNo", "Account No", "Account No", QAccessible::EditableText },
        { &login, "cmbSIPIP", nullptr, "Host Name", QAccessible::ComboBox },
        { &login, "chkbxSaveSettings", "Save", "Save", QAccessible::CheckBox },
        { &login, "cmdExit", "Exit", nullptr, QAccessible::Button },
        { &recent, "Received", "Received", nullptr, QAccessible::Button },
        { &book, "txtPhoneNo", "Phone No.", "Phone No.", QAccessible::EditableText },
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.control);
        auto *widget = row.window->findChild<QWidget *>(QString::fromLatin1(row.control));
        ASSERT_TRUE(widget);
        QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(widget);
        EXPECT_EQ(iface->role(), row.role);
        if (row.name) {
            EXPECT_EQ(iface->text(QAccessible::Name), QString::fromLatin1(row.name));
        }
        if (row.labelledBy) {
            const auto labels = iface->relations(QAccessible::Label);
            ASSERT_EQ(labels.size(), 1);
            EXPECT_EQ(labels.first().first->text(QAccessible::Name), QString::fromLatin1(row.labelledBy));
        }
    }
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
    window.numberBox()->setFocus();
    std::vector<QWidget *> visited { window.numberBox() };
    for (std::size_t i = 0; i < 2 * expected.size() && (visited.size() == 1 || visited.back() != visited[0]);
         ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        visited.push_back(QApplication::focusWidget());
    }
    ASSERT_EQ(visited.back(), window.numberBox()) << "Tab comes round";
    visited.pop_back();
    EXPECT_EQ(std::set<QObject *>(visited.begin(), visited.end()), expected);
    EXPECT_EQ(visited.size(), expected.size()) << "each once";
    EXPECT_EQ(visited.at(1), window.button(MainControl::DialButton));

    // Space shows a key pressed while held, and presses it at the release.
    PictureButton *five = window.button(MainControl::Key5);
    five->setFocus();
    QTest::keyPress(five, Qt::Key_Space);
    EXPECT_EQ(five->pixmap().toImage(), five->pressedPicture().toImage());
    EXPECT_TRUE(phone.engine.numberText().isEmpty());
    QTest::keyRelease(five, Qt::Key_Space);
    EXPECT_EQ(five->pixmap().toImage(), five->releasedPicture().toImage());
    EXPECT_EQ(phone.engine.numberText(), QStringLiteral("5"));

    // A level knob: the arrow keys and a screen reader's value move it.
    window.levelSliders()->placeKnobs();
    PictureButton *knob = window.button(MainControl::MicIcon);
    knob->setFocus();
    QTest::keyClick(knob, Qt::Key_Down);
    const int top = knob->y();
    const long level = phone.rtc.volumes[RTCAD_MICROPHONE];
    QTest::keyClick(knob, Qt::Key_Up);
    EXPECT_LT(knob->y(), top);
    EXPECT_GT(phone.rtc.volumes[RTCAD_MICROPHONE], level);
    QAccessibleInterface *slider = QAccessible::queryAccessibleInterface(knob);
    slider->valueInterface()->setCurrentValue(0);
    EXPECT_EQ(phone.rtc.volumes[RTCAD_MICROPHONE], 0);
    EXPECT_EQ(slider->valueInterface()->currentValue().toInt(), 0);
    QTest::keyClick(knob, Qt::Key_Home);
    EXPECT_EQ(phone.rtc.volumes[RTCAD_MICROPHONE], 65535);
}
