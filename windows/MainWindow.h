// The main window: a borderless skinned view over the call engine. Its skin
// (MainSkin) makes and places the elements of the layout table; the window
// shows the engine's texts, hands clicks and keys to the engine and the
// dialer, and handles the tray.
#pragma once

#include "engine/AppState.h"
#include "engine/CallEngine.h"
#include "skin/PictureButton.h"
#include "windows/MainControls.h"
#include "windows/MainSkin.h"
#include "windows/PadKeys.h"

#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QWidget>
#include <functional>

class QKeyEvent;
class QMenu;

namespace ralu {
class LevelSliders;
class TrayMenu;
class WindowDrag;
}
namespace ralu::skin {
class Tooltip;
}

namespace ralu {

class MainWindow : public QWidget {
    Q_OBJECT
public:
    MainWindow(CallEngine &engine, AppState &state, QWidget *parent = nullptr);

    // Opens the login window; modal when asked (the two buttons), else modeless.
    void setOpenLogin(std::function<void(bool modal)> f) { m_openLogin = std::move(f); }
    // Open the call history and the phone book windows modally.
    void setOpenHistory(std::function<void()> f) { m_openHistory = std::move(f); }
    void setOpenPhoneBook(std::function<void()> f) { m_openPhoneBook = std::move(f); }
    // What the call controls do; wired by the composition root.
    struct CallActions {
        std::function<void()> makeCall; // Enter in the number box
        std::function<void()> dialButton; // the dial button
        std::function<void()> endButton; // the end button
        std::function<void(const QString &)> playTone; // a key's tone by tone name
        // The call control buttons; none: the button does what the design
        // has it do (Transfer focuses the number box, Hold and DND nothing).
        std::function<void()> transferButton;
        std::function<void()> holdButton;
        std::function<void()> dndButton;
        std::function<void()> escape; // Escape in the number box
    };
    void setCallActions(CallActions actions) { m_actions = std::move(actions); }

    // A dial pad key was clicked: its tone, its character, the focus back.
    void padKeyClicked(QChar key);
    // During a call, opens the number box and the call button for a number
    // to type (a transfer's target), or closes them again.
    void openNumberEntry(bool open);

    QLineEdit *numberBox() const { return m_number; }
    // The control of a key: null when the key names no label (or button).
    QLabel *label(MainControl key) const { return qobject_cast<QLabel *>(m_skin.control(key)); }
    PictureButton *button(MainControl key) const
    {
        return qobject_cast<PictureButton *>(m_skin.control(key));
    }
    QMenu *trayMenu() const;
    skin::Tooltip *tooltip() const { return m_skin.tooltip(); }
    const skin::HoverGroup &hoverGroup() const { return m_skin.hoverGroup(); }
    LevelSliders *levelSliders() const { return m_sliders; }

    // The tray menu's Show.
    void showFromTray();
    // Hides the window to the tray (the hide buttons).
    void hideToTray();

protected:
    void changeEvent(QEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void createTray();
    void wireButtons();
    void onClick(MainControl key, std::function<void()> action);
    void connectEngine();
    void applyOutline();
    void focusNumberBox();
    // A key of the number box going down or up shows its pad key pressed or released.
    void showPadKey(const QKeyEvent &key, bool down);

    CallEngine &m_engine;
    AppState &m_state;
    std::function<void(bool)> m_openLogin;
    std::function<void()> m_openHistory;
    std::function<void()> m_openPhoneBook;
    CallActions m_actions;

    MainSkin m_skin; // the elements of the layout table
    QLineEdit *m_number = nullptr;
    TrayMenu *m_tray = nullptr;
    WindowDrag *m_drag = nullptr;
    LevelSliders *m_sliders = nullptr;
    bool m_menuOnRelease = false; // a right press on the body: menu at its release
    bool m_activatedOnce = false;
    bool m_shiftHeld = false; // set by the Shift key going down, cleared by it going up
    bool m_inCall = false; // the controls are the in-call ones
    bool m_entryOpen = false; // openNumberEntry
    ScanCodes m_scanCodes; // what tells the keys' places on this platform
};

} // namespace ralu
