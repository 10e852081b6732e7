#include "windows/MainWindow.h"

#include "calls/Dialer.h"
#include "windows/MainLayout.h"
#include "skin/SkinPictures.h"
#include "skin/WindowDrag.h"
#include "skin/SkinOutline.h"

#include <QApplication>
#include <QBitmap>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>

namespace ralu {

namespace {

struct ButtonLook {
    const char *name;
    skin::Glyph glyph;
    const char *caption;
};

// Pictures of the buttons drawn on the window; names not listed get a plain
// small picture.
const ButtonLook kLooks[] = {
    {"Picture6", skin::Glyph::Dial, ""},      {"Picture8", skin::Glyph::HangUp, ""},
    {"Picture17", skin::Glyph::Text, "C"},    {"Picture40", skin::Glyph::Close, ""},
    {"Picture41", skin::Glyph::Text, "_"},    {"Picture20", skin::Glyph::Text, "1"},
    {"Picture21", skin::Glyph::Text, "2"},    {"Picture22", skin::Glyph::Text, "3"},
    {"Picture25", skin::Glyph::Text, "4"},    {"Picture26", skin::Glyph::Text, "5"},
    {"Picture27", skin::Glyph::Text, "6"},    {"Picture46", skin::Glyph::Text, "7"},
    {"Picture31", skin::Glyph::Text, "8"},    {"Picture32", skin::Glyph::Text, "9"},
    {"Picture35", skin::Glyph::Text, "*"},    {"Picture36", skin::Glyph::Text, "0"},
    {"Picture37", skin::Glyph::Text, "#"},    {"Picture3", skin::Glyph::Text, "Log"},
    {"Picture5", skin::Glyph::Text, "Book"},  {"Picture10", skin::Glyph::Text, "Xfer"},
    {"Picture12", skin::Glyph::Text, "Hold"}, {"Picture14", skin::Glyph::Text, "Fwd"},
    {"Picture15", skin::Glyph::Text, "DND"},  {"Picture24", skin::Glyph::Text, "Audio"},
    {"Picture34", skin::Glyph::Text, "Login"}, {"Picture47", skin::Glyph::Text, "Web"},
};

const char *const kLabels[] = {"lblBalance", "lblMsg", "timeMsg", "lblPin", "Label1", "Label2", "timeMsg1"};

// Elements that are neither labels nor the number box nor buttons.
bool isPlainPicture(const QString &name)
{
    return name == QLatin1String("Picture1") || name == QLatin1String("Picture38")
           || name == QLatin1String("Picture4") || name == QLatin1String("lbspeaker")
           || name == QLatin1String("lbmic") || name == QLatin1String("shpMissed");
}

} // namespace

MainWindow::MainWindow(CallEngine &engine, AppState &state, QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint), m_engine(engine), m_state(state)
{
    setWindowTitle(QStringLiteral("Ralu"));
    setObjectName(QStringLiteral("frmSoftphone"));
    new WindowDrag(this); // dragged by its body
    buildLayout();
    connectEngine();
    applyOutline();
}

void MainWindow::buildLayout()
{
    setFixedSize(skin::kMainWidth, skin::kMainHeight);
    QFont labelFont = font();
    labelFont.setPixelSize(11);
    for (const skin::Placement &p : skin::kMainLayout) {
        const QString name = QString::fromLatin1(p.name);
        const QRect geometry(p.left, p.top, p.width, p.height);
        if (name == QLatin1String("Picture1")) {
            m_background = new QLabel(this);
            m_background->setObjectName(name);
            m_background->setPixmap(skin::mainBackground());
            m_background->setGeometry(geometry);
            m_background->setAttribute(Qt::WA_TransparentForMouseEvents);
            m_background->lower();
        } else if (name == QLatin1String("cmbPhoneNo")) {
            m_number = new QLineEdit(this);
            m_number->setObjectName(name);
            m_number->setGeometry(geometry);
            m_number->setToolTip(QStringLiteral("Include International Country Code"));
            m_number->installEventFilter(this);
        } else if (std::find_if(std::begin(kLabels), std::end(kLabels),
                                [&](const char *l) { return name == QLatin1String(l); })
                   != std::end(kLabels)) {
            auto *label = new QLabel(this);
            label->setObjectName(name);
            label->setGeometry(geometry);
            label->setFont(labelFont);
            label->setAttribute(Qt::WA_TransparentForMouseEvents); // the window's grab area
            m_labels.insert(name, label);
        } else if (isPlainPicture(name)) {
            auto *picture = new QLabel(this);
            picture->setObjectName(name);
            picture->setGeometry(geometry);
            picture->setAttribute(Qt::WA_TransparentForMouseEvents);
        } else {
            auto *button = new PictureButton(this);
            button->setObjectName(name);
            button->setGeometry(geometry);
            skin::Glyph glyph = skin::Glyph::Small;
            QString caption;
            for (const ButtonLook &look : kLooks) {
                if (name == QLatin1String(look.name)) {
                    glyph = look.glyph;
                    caption = QString::fromLatin1(look.caption);
                }
            }
            if (p.width > 0 && p.height > 0)
                button->setPictures(skin::buttonPicture(geometry.size(), glyph, caption, false),
                                    skin::buttonPicture(geometry.size(), glyph, caption, true));
            m_buttons.insert(name, button);
        }
    }
    QFont bold = labelFont;
    bold.setBold(true);
    m_labels.value(QStringLiteral("lblBalance"))->setFont(bold);
    m_labels.value(QStringLiteral("lblBalance"))->setStyleSheet(QStringLiteral("color: #404040"));

    const std::pair<const char *, const char *> tips[] = {
        {"Picture12", "Hold"},          {"Picture6", "Click to Make Call"},
        {"Picture11", "SoftPhone Book"}, {"Picture2", "Login Server"},
        {"Picture3", "Call History"},   {"Picture17", "Clear Current Number"},
        {"Picture8", "Click to End Call"}, {"Picture13", "Audio Wizard"},
        {"Picture41", "Hide Application to System Tray"}, {"Picture40", "Close and Exit Application"},
        {"Picture5", "Phone Book"},     {"Picture7", "Clear Number One By One"},
        {"Picture14", "Forward "},      {"Picture9", "Call History"},
        {"Picture10", "Transfer"},      {"Picture15", "Do not disturb"},
    };
    for (const auto &[name, tip] : tips)
        m_buttons.value(QString::fromLatin1(name))->setToolTip(QString::fromLatin1(tip));

    // Buttons whose only action is to give the number box the focus.
    for (const char *name : {"Picture10", "Picture23", "Picture28", "Picture39", "Picture42", "Picture43"})
        connect(m_buttons.value(QString::fromLatin1(name)), &PictureButton::clicked, this,
                &MainWindow::focusNumberBox);
    connect(m_buttons.value(QStringLiteral("Picture17")), &PictureButton::clicked, this, [this] {
        m_engine.setNumberText(QString());
        focusNumberBox();
    });
    for (const char *name : {"Picture40", "Picture41"})
        connect(m_buttons.value(QString::fromLatin1(name)), &PictureButton::clicked, this,
                &MainWindow::hideToTray);
    connect(m_buttons.value(QStringLiteral("Picture6")), &PictureButton::clicked, this, [this] {
        if (m_actions.dialButton)
            m_actions.dialButton();
    });
    connect(m_buttons.value(QStringLiteral("Picture8")), &PictureButton::clicked, this, [this] {
        if (m_actions.endButton)
            m_actions.endButton();
    });
    const std::pair<const char *, char> pad[] = {
        {"Picture20", '1'}, {"Picture21", '2'}, {"Picture22", '3'}, {"Picture25", '4'},
        {"Picture26", '5'}, {"Picture27", '6'}, {"Picture46", '7'}, {"Picture31", '8'},
        {"Picture32", '9'}, {"Picture35", '*'}, {"Picture36", '0'}, {"Picture37", '#'},
    };
    for (const auto &[name, key] : pad) {
        const QChar character = QLatin1Char(key);
        connect(m_buttons.value(QString::fromLatin1(name)), &PictureButton::clicked, this,
                [this, character] { padKeyClicked(character); });
    }
    connect(m_buttons.value(QStringLiteral("Picture24")), &PictureButton::clicked, this, [this] {
        m_engine.openAudioSetup(static_cast<unsigned long long>(winId()));
    });
    connect(m_buttons.value(QStringLiteral("Picture34")), &PictureButton::clicked, this, [this] {
        if (m_openLogin)
            m_openLogin(true);
    });
    // The child windows are modal: the number box gets the focus once they close.
    connect(m_buttons.value(QStringLiteral("Picture3")), &PictureButton::clicked, this, [this] {
        if (m_openHistory)
            m_openHistory();
        focusNumberBox();
    });
    connect(m_buttons.value(QStringLiteral("Picture5")), &PictureButton::clicked, this, [this] {
        if (m_openPhoneBook)
            m_openPhoneBook();
        focusNumberBox();
    });
    connect(m_buttons.value(QStringLiteral("MissedCalls")), &PictureButton::clicked, this, [this] {
        m_engine.acknowledgeMissedCalls(); // the history then opens on the missed calls
        if (m_openHistory)
            m_openHistory();
        focusNumberBox();
    });

    m_trayMenu = new QMenu(this);
    m_trayMenu->setObjectName(QStringLiteral("Mnutray"));
    QAction *show = m_trayMenu->addAction(QStringLiteral("Show"));
    show->setObjectName(QStringLiteral("mnuShow"));
    connect(show, &QAction::triggered, this, &MainWindow::showFromTray);
    QAction *exit = m_trayMenu->addAction(QStringLiteral("Exit"));
    exit->setObjectName(QStringLiteral("mnuExit"));
    connect(exit, &QAction::triggered, &m_engine, &CallEngine::exitProgram);

    m_tray = new QSystemTrayIcon(this);
    m_tray->setToolTip(QStringLiteral("Ralu"));
    m_tray->setIcon(QIcon(skin::buttonPicture(QSize(32, 32), skin::Glyph::Dial, QString(), false)));
    m_tray->setContextMenu(m_trayMenu);
    connect(m_tray, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger)
            showFromTray();
    });
    setWindowIcon(m_tray->icon());
}

void MainWindow::connectEngine()
{
    auto bindLabel = [this](const char *name, void (CallEngine::*signal)(const QString &)) {
        QLabel *label = m_labels.value(QString::fromLatin1(name));
        connect(&m_engine, signal, label, &QLabel::setText);
    };
    bindLabel("lblMsg", &CallEngine::statusTextChanged);
    bindLabel("lblPin", &CallEngine::accountLabelChanged);
    bindLabel("lblBalance", &CallEngine::balanceTextChanged);
    bindLabel("timeMsg", &CallEngine::callTimeTextChanged);
    bindLabel("timeMsg1", &CallEngine::accountTimeTextChanged);
    m_labels.value(QStringLiteral("lblMsg"))->setText(m_engine.statusText());
    m_labels.value(QStringLiteral("lblBalance"))->setText(m_engine.balanceText());

    connect(&m_engine, &CallEngine::numberTextChanged, m_number, [this](const QString &text) {
        if (m_number->text() != text)
            m_number->setText(text);
    });
    connect(m_number, &QLineEdit::textChanged, &m_engine, &CallEngine::setNumberText);
    connect(&m_engine, &CallEngine::controlsChanged, this, [this](bool inCall) {
        m_buttons.value(QStringLiteral("Picture6"))->setEnabled(!inCall);
        m_buttons.value(QStringLiteral("Picture17"))->setEnabled(!inCall);
        m_buttons.value(QStringLiteral("Picture8"))->setEnabled(true);
        m_number->setEnabled(!inCall);
    });
    connect(&m_engine, &CallEngine::loginButtonsEnabledChanged, this, [this](bool enabled) {
        m_buttons.value(QStringLiteral("Picture2"))->setEnabled(enabled);
        m_buttons.value(QStringLiteral("Picture16"))->setEnabled(enabled);
    });
    connect(&m_engine, &CallEngine::focusNumberBoxRequested, this, &MainWindow::focusNumberBox);
    // The missed-call indicator and its blinking frame.
    m_buttons.value(QStringLiteral("MissedCalls"))->hide();
    QLabel *frame = findChild<QLabel *>(QStringLiteral("shpMissed"));
    frame->hide();
    connect(&m_engine, &CallEngine::missedIndicatorChanged, this, [this, frame](bool shown, bool red) {
        m_buttons.value(QStringLiteral("MissedCalls"))->setVisible(shown);
        frame->setVisible(shown);
        frame->setStyleSheet(red ? QStringLiteral("border: 1px solid rgb(255,0,0)")
                                 : QStringLiteral("border: 1px solid rgb(255,255,255)"));
    });
    connect(&m_engine, &CallEngine::flashWindowRequested, this, [this] { QApplication::alert(this, 500); });
    connect(&m_engine, &CallEngine::restoreFromTrayRequested, this, &MainWindow::showFromTray);
    connect(&m_engine, &CallEngine::exitRequested, this, [this] {
        hide();
        if (m_tray)
            m_tray->hide();
    });
}

void MainWindow::applyOutline()
{
    skin::cutOutline(this, skin::mainBackground());
}

void MainWindow::focusNumberBox()
{
    if (m_number->isEnabled())
        m_number->setFocus();
    m_number->setCursorPosition(m_number->text().size());
}

void MainWindow::padKeyClicked(QChar key)
{
    if (m_actions.playTone)
        m_actions.playTone(Dialer::toneName(key));
    m_engine.setNumberText(m_engine.numberText() + key);
    focusNumberBox();
}

void MainWindow::hideToTray()
{
    m_state.blnInTray = true;
    showMinimized();
}

void MainWindow::showFromTray()
{
    if (m_state.blnPhoneBookOpen)
        return;
    m_state.blnInTray = false;
    m_tray->hide();
    showNormal();
    raise();
    activateWindow();
    focusNumberBox();
}

void MainWindow::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::WindowStateChange && (windowState() & Qt::WindowMinimized)) {
        // Into the tray, where there is one; without a tray the window stays
        // minimised in the task bar so it can always be found again.
        if (QSystemTrayIcon::isSystemTrayAvailable()) {
            m_tray->show();
            QMetaObject::invokeMethod(this, &QWidget::hide, Qt::QueuedConnection);
        }
    } else if (event->type() == QEvent::ActivationChange && isActiveWindow() && !m_activatedOnce) {
        m_activatedOnce = true;
        m_number->setFocus();
    }
    QWidget::changeEvent(event);
}

void MainWindow::contextMenuEvent(QContextMenuEvent *event)
{
    // The window's own menu: the login window, and the tray menu's Exit, so
    // that desktops without a tray can still end Ralu.
    QMenu menu(this);
    QAction *account = menu.addAction(QStringLiteral("Account"));
    account->setObjectName(QStringLiteral("mnuAccount"));
    menu.addAction(m_trayMenu->findChild<QAction *>(QStringLiteral("mnuExit")));
    if (menu.exec(event->globalPos()) == account && m_openLogin)
        m_openLogin(false);
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    // The window manager's close only hides, like the window's own buttons;
    // the program ends through Exit.
    event->ignore();
    hideToTray();
}

PictureButton *MainWindow::padButtonForKey(const QKeyEvent &key) const
{
    // Digits on the top row or on the keypad (KeypadModifier), by key code.
    // With Shift held, 3 stands for # and 8 for *. Where the layout turns
    // Shift+3 and Shift+8 into '#' and '*', the key code is that symbol's.
    const char *name = nullptr;
    switch (key.key()) {
    case Qt::Key_1: name = "Picture20"; break;
    case Qt::Key_2: name = "Picture21"; break;
    case Qt::Key_3: name = m_shiftHeld ? "Picture37" : "Picture22"; break;
    case Qt::Key_4: name = "Picture25"; break;
    case Qt::Key_5: name = "Picture26"; break;
    case Qt::Key_6: name = "Picture27"; break;
    case Qt::Key_7: name = "Picture46"; break;
    case Qt::Key_8: name = m_shiftHeld ? "Picture35" : "Picture31"; break;
    case Qt::Key_9: name = "Picture32"; break;
    case Qt::Key_0: name = "Picture36"; break;
    case Qt::Key_Asterisk:
        if ((key.modifiers() & Qt::KeypadModifier) || m_shiftHeld)
            name = "Picture35";
        break;
    case Qt::Key_NumberSign:
        if (m_shiftHeld)
            name = "Picture37";
        break;
    default:
        break;
    }
    return name ? m_buttons.value(QString::fromLatin1(name)) : nullptr;
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
            else if (PictureButton *pad = padButtonForKey(*key))
                pad->showPressed(down);
        }
    }
    if (watched == m_number && event->type() == QEvent::KeyPress) {
        auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            if (m_actions.makeCall)
                m_actions.makeCall();
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
