#include "windows/MainWindow.h"

#include "calls/Dialer.h"
#include "skin/AppIcon.h"
#include "skin/SkinOutline.h"
#include "skin/SkinPictures.h"
#include "skin/Tooltip.h"
#include "skin/WindowDrag.h"
#include "skin/WindowShape.h"
#include "windows/LevelSliders.h"
#include "windows/TrayMenu.h"
#include "windows/WindowAttention.h"

#include <QApplication>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QCursor>
#include <QKeyEvent>
#include <QMenu>

#include <optional>

namespace ralu {

namespace {

// The dial pad: each key's button and the character it adds.
const std::pair<MainControl, char> kPad[] = {
    { MainControl::Key1, '1' },
    { MainControl::Key2, '2' },
    { MainControl::Key3, '3' },
    { MainControl::Key4, '4' },
    { MainControl::Key5, '5' },
    { MainControl::Key6, '6' },
    { MainControl::Key7, '7' },
    { MainControl::Key8, '8' },
    { MainControl::Key9, '9' },
    { MainControl::KeyStar, '*' },
    { MainControl::Key0, '0' },
    { MainControl::KeyPound, '#' },
};

} // namespace

MainWindow::MainWindow(CallEngine &engine, AppState &state, QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint)
    , m_engine(engine)
    , m_state(state)
    , m_skin(this)
    , m_number(m_skin.numberBox())
    , m_scanCodes(platformScanCodes())
{
    setWindowTitle(QStringLiteral("Ralu"));
    setObjectName(QStringLiteral("frmSoftphone"));
    // The rounded start-up outline, until the skin's outline replaces it.
    resize(skin::kStartShapeSize);
    skin::shapeForm(this);
    setFixedSize(kMainWidth, kMainHeight);
    m_number->installEventFilter(this);
    m_skin.addTooltips();
    createTray();
    m_drag = new WindowDrag(this); // dragged by its body, captions and the number box
    m_drag->addGrabArea(m_number);
    m_drag->setAfterRelease([this](QWidget *area, bool moved) {
        // A selection made in the number box without moving the window stays.
        if (moved || area != m_number || !m_number->hasSelectedText())
            focusNumberBox();
        if (area == this && m_menuOnRelease) {
            m_menuOnRelease = false;
            if (!moved)
                m_tray->popupWindowMenu(QCursor::pos());
        }
    });
    wireButtons();
    m_sliders = new LevelSliders(
        m_engine, { m_skin.control(MainControl::MicSlider), button(MainControl::MicIcon) },
        { m_skin.control(MainControl::SpeakerSlider), button(MainControl::SpeakerIcon) },
        [this] { focusNumberBox(); }, this);
    connectEngine();
    applyOutline();
}

QMenu *MainWindow::trayMenu() const
{
    return m_tray->trayMenu();
}

void MainWindow::createTray()
{
    const QIcon icon = skin::appIcon();
    setWindowIcon(icon);
    m_tray = new TrayMenu(icon, this, m_state, [this] { focusNumberBox(); });
    connect(m_tray, &TrayMenu::exitChosen, &m_engine, &CallEngine::exitProgram);
    connect(m_tray, &TrayMenu::accountChosen, this, [this] {
        if (m_openLogin)
            m_openLogin(false);
    });
}

void MainWindow::onClick(MainControl key, std::function<void()> action)
{
    connect(button(key), &PictureButton::clicked, this, std::move(action));
}

void MainWindow::wireButtons()
{
    // Buttons whose only action is to give the number box the focus.
    for (MainControl key : { MainControl::Small23, MainControl::Small28, MainControl::Small39,
             MainControl::Small42, MainControl::Small43 })
        onClick(key, [this] { focusNumberBox(); });
    onClick(MainControl::TransferButton, [this] {
        if (m_actions.transferButton)
            m_actions.transferButton();
        else
            focusNumberBox();
    });
    onClick(MainControl::HoldButton, [this] {
        if (m_actions.holdButton)
            m_actions.holdButton();
    });
    onClick(MainControl::DndButton, [this] {
        if (m_actions.dndButton)
            m_actions.dndButton();
    });
    onClick(MainControl::ClearButton, [this] {
        m_engine.presenter().setNumberText(QString());
        focusNumberBox();
    });
    for (MainControl key : { MainControl::CloseButton, MainControl::HideButton })
        onClick(key, [this] { hideToTray(); });
    onClick(MainControl::DialButton, [this] {
        if (m_actions.dialButton)
            m_actions.dialButton();
    });
    onClick(MainControl::EndButton, [this] {
        if (m_actions.endButton)
            m_actions.endButton();
    });
    for (const auto &[key, character] : kPad) {
        const QChar c = QLatin1Char(character);
        onClick(key, [this, c] { padKeyClicked(c); });
    }
    onClick(MainControl::AudioSetupButton,
        [this] { m_engine.openAudioSetup(static_cast<unsigned long long>(winId())); });
    onClick(MainControl::AccountButton, [this] {
        if (m_openLogin)
            m_openLogin(true);
    });
    // The child windows are modal: the number box gets the focus once they close.
    onClick(MainControl::HistoryButton, [this] {
        if (m_openHistory)
            m_openHistory();
        focusNumberBox();
    });
    onClick(MainControl::PhoneBookButton, [this] {
        if (m_openPhoneBook)
            m_openPhoneBook();
        focusNumberBox();
    });
    // Keys for the two windows a keyboard user opens most.
    button(MainControl::PhoneBookButton)->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_B));
    button(MainControl::HistoryButton)->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_H));
    onClick(MainControl::MissedCallsButton, [this] {
        m_engine.attention().acknowledgeMissedCalls(); // the history then opens on the missed calls
        if (m_openHistory)
            m_openHistory();
        focusNumberBox();
    });
}

void MainWindow::connectEngine()
{
    MainPresenter &presenter = m_engine.presenter();
    auto bindLabel = [this, &presenter](MainControl key, void (MainPresenter::*signal)(const QString &)) {
        connect(&presenter, signal, label(key), &QLabel::setText);
    };
    bindLabel(MainControl::StatusLabel, &MainPresenter::statusTextChanged);
    bindLabel(MainControl::AccountLabel, &MainPresenter::accountLabelChanged);
    bindLabel(MainControl::BalanceLabel, &MainPresenter::balanceTextChanged);
    bindLabel(MainControl::CallTimeLabel, &MainPresenter::callTimeTextChanged);
    bindLabel(MainControl::AccountTimeLabel, &MainPresenter::accountTimeTextChanged);
    label(MainControl::StatusLabel)->setText(presenter.statusText());
    label(MainControl::BalanceLabel)->setText(presenter.balanceText());

    connect(&presenter, &MainPresenter::numberTextChanged, m_number, [this](const QString &text) {
        if (m_number->text() != text)
            m_number->setText(text);
    });
    connect(m_number, &QLineEdit::textChanged, &presenter, &MainPresenter::setNumberText);
    connect(&presenter, &MainPresenter::controlsChanged, this, [this](bool inCall) {
        m_inCall = inCall;
        button(MainControl::ClearButton)->setEnabled(!inCall);
        button(MainControl::EndButton)->setEnabled(true);
        openNumberEntry(m_entryOpen);
    });
    connect(&presenter, &MainPresenter::loginButtonsEnabledChanged, this, [this](bool enabled) {
        button(MainControl::LoginButton)->setEnabled(enabled);
        button(MainControl::LoginButton2)->setEnabled(enabled);
    });
    connect(&presenter, &MainPresenter::focusNumberBoxRequested, this, &MainWindow::focusNumberBox);
    // The missed-call indicator and its blinking frame.
    button(MainControl::MissedCallsButton)->hide();
    QLabel *frame = label(MainControl::MissedFrame);
    frame->hide();
    connect(&m_engine.attention(), &CallAttention::missedIndicatorChanged, this,
        [this, frame](bool shown, bool red) {
            button(MainControl::MissedCallsButton)->setVisible(shown);
            frame->setVisible(shown);
            frame->setStyleSheet(red ? QStringLiteral("border: 1px solid rgb(255,0,0)")
                                     : QStringLiteral("border: 1px solid rgb(255,255,255)"));
        });
    new WindowAttention(
        m_engine, [this](bool on) { WindowAttention::setDesktopHint(this, on); }, this);
    connect(&m_engine.attention(), &CallAttention::restoreFromTrayRequested, this, &MainWindow::showFromTray);
    connect(&m_engine, &CallEngine::exitRequested, this, [this] {
        hide();
        m_tray->hideIcon();
    });
}

void MainWindow::applyOutline()
{
    skin::cutOutline(this, skin::outlinePicture(skin::Background::Main));
}

void MainWindow::focusNumberBox()
{
    if (m_number->isEnabled())
        m_number->setFocus();
    m_number->setCursorPosition(m_number->text().size());
}

void MainWindow::openNumberEntry(bool open)
{
    m_entryOpen = open;
    button(MainControl::DialButton)->setEnabled(!m_inCall || open);
    m_number->setEnabled(!m_inCall || open);
    if (open)
        focusNumberBox();
}

void MainWindow::padKeyClicked(QChar key)
{
    if (m_actions.playTone)
        m_actions.playTone(Dialer::toneName(key));
    m_engine.presenter().setNumberText(m_engine.presenter().numberText() + key);
    focusNumberBox();
}

void MainWindow::hideToTray()
{
    m_tray->control().hideButton();
}

void MainWindow::showFromTray()
{
    m_tray->control().show();
}

void MainWindow::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::WindowStateChange && (windowState() & Qt::WindowMinimized)) {
        m_tray->control().windowMinimised();
    } else if (event->type() == QEvent::ActivationChange && isActiveWindow() && !m_activatedOnce) {
        m_activatedOnce = true;
        m_number->setFocus();
    }
    QWidget::changeEvent(event);
}

void MainWindow::contextMenuEvent(QContextMenuEvent *event)
{
    // The right button drags the body too: while it is still down there, the
    // menu waits for a release that leaves the window where it is.
    if (event->reason() == QContextMenuEvent::Mouse && !childAt(event->pos())
        && (m_drag->heldButtons() & Qt::RightButton)) {
        m_menuOnRelease = true;
        return;
    }
    m_tray->popupWindowMenu(event->globalPos());
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    // The window manager's close only hides, like the window's own buttons;
    // the program ends through Exit.
    event->ignore();
    hideToTray();
}

void MainWindow::showPadKey(const QKeyEvent &key, bool down)
{
    const std::optional<char> pad = padKeyOf(PadKeyStroke::of(key), m_shiftHeld, m_scanCodes);
    if (!pad)
        return;
    for (const auto &[control, character] : kPad)
        if (character == *pad)
            button(control)->showPressed(down);
}

bool MainWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_number && (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease)) {
        auto *key = static_cast<QKeyEvent *>(event);
        const bool down = event->type() == QEvent::KeyPress;
        // A held key repeats as release-and-press pairs here; only the real
        // release shows the key released.
        if (!(key->isAutoRepeat() && !down)) {
            if (key->key() == Qt::Key_Shift)
                m_shiftHeld = down;
            else
                showPadKey(*key, down);
        }
    }
    if (watched == m_number && event->type() == QEvent::KeyPress) {
        auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            if (m_actions.makeCall)
                m_actions.makeCall();
            return true;
        }
        if (key->key() == Qt::Key_Escape && m_actions.escape) {
            m_actions.escape();
            return true;
        }
        // Typed keys of the pad sound their tone; the character goes in as usual.
        const QString text = key->text();
        if (text.size() == 1 && m_actions.playTone && !Dialer::toneName(text.at(0)).isEmpty())
            m_actions.playTone(Dialer::toneName(text.at(0)));
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace ralu
