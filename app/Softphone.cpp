#include "app/Softphone.h"

#include "DeploymentConfig.h"
#include "account/QtHttpClient.h"
#include "calls/CallHistoryRecorder.h"
#include "calls/CallHold.h"
#include "calls/CallTransfer.h"
#include "calls/DoNotDisturb.h"
#include "calls/SoundFailure.h"
#include "windows/AudioSetupWindow.h"
#include "windows/DesktopBrowser.h"
#include "windows/LevelSliders.h"
#include "windows/LoginWindow.h"
#include "windows/PhoneBookWindow.h"
#include "windows/PortalButtons.h"
#include "windows/RecentWindow.h"
#include "windows/WindowLayer.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QThread>
#include <QTimer>

#include <utility>

namespace ralu {

namespace {

// The call control buttons beyond the design, each a listener of its own to
// the call engine. A deployment that wants the design's inert Hold and Do
// not disturb buttons, and a Transfer button that only focuses the number
// box, turns them off here.
constexpr bool kHoldButton = true;
constexpr bool kTransferButton = true;
constexpr bool kDoNotDisturbButton = true;

// Do not disturb is kept for the next start in an entry of its own, apart
// from the saved login.
const QString kDndApp = QStringLiteral("Ralu");
const QString kDndSection = QStringLiteral("Calls");
const QString kDndKey = QStringLiteral("DoNotDisturb");

} // namespace

Softphone::Softphone(RtcClient *client, MessageBoxes &boxes, SettingsStore &store, QString executableName,
    QString appFolder, const Clock &clock, MixerBackendFactory mixerBackend)
    : m_client(client)
    , m_boxes(boxes)
    , m_appFolder(appFolder)
    , m_savedLogin(store, std::move(executableName))
    , m_store(store)
    , m_mixerBackend(std::move(mixerBackend))
    , m_openAddress(&openInBrowser)
{
    m_engine = std::make_unique<CallEngine>(m_state, client);
    m_history = std::make_unique<CallHistoryLog>(appFolder, clock);

    QStringList presets;
    for (const char *server : deployment::kSipServers)
        presets << QString::fromUtf8(server);
    m_loginController = std::make_unique<LoginController>(m_state, m_savedLogin, boxes, presets, [this] {
        if (m_onLogin)
            m_onLogin(m_state.login);
        m_engine->registerAccount();
    });

    // The billing server: the balance label, and the countdown's start at
    // each connected call.
    useBillingServer(QString::fromUtf8(deployment::kBillingUrl), {});
    m_historyRecorder = std::make_unique<CallHistoryRecorder>(
        m_engine->session(), [this](const QString &number, CallKind kind) {
            const bool written = m_history->addRecentCall(number, kind);
            // Told once until an entry goes in again; the call goes on regardless.
            if (!written && !m_history->lastError().isEmpty() && !m_historyFailing)
                tellWhenIdle(QStringLiteral("Could not write the call history: ") + m_history->lastError());
            m_historyFailing = !written && !m_history->lastError().isEmpty();
            // Not to be disturbed: a declined call is in the history, not
            // on the desktop.
            if (kind == CallKind::Missed && m_onMissedCall && !(m_dnd && m_dnd->isOn()))
                m_onMissedCall(number);
        });

    // Local key tones go through the SIP stack's audio when the client can
    // play sounds (the liblinphone adapter can); otherwise they are silent.
    m_localTones = std::make_unique<LocalTonePlayer>(appFolder, dynamic_cast<SoundPlayer *>(client));
    m_keyTones
        = std::make_unique<KeyTones>(*m_engine, [this](const QString &tone) { m_localTones->play(tone); });
    m_dialer = std::make_unique<Dialer>(
        *m_engine, m_state, boxes, [this](const QString &tone) { m_keyTones->playDtmf(tone); },
        [](int ms) { QThread::msleep(static_cast<unsigned long>(ms)); });
    createCallButtons();
    // Unloading the main window releases the mixer, which closes it.
    QObject::connect(m_engine.get(), &CallEngine::exitRequested, m_engine.get(), [this] { m_mixer.reset(); });
    // After the call's end has run its course (the engine's ready timer
    // keeps a number put in after it).
    QObject::connect(
        &m_engine->presenter(), &MainPresenter::controlsChanged, m_engine.get(), [this](bool inCall) {
            if (!inCall && !m_waitingNumber.isEmpty())
                QTimer::singleShot(
                    0, m_engine.get(), [this] { bringToFront(std::exchange(m_waitingNumber, {})); });
        });
}

Softphone::~Softphone() = default;

void Softphone::createCallButtons()
{
    CallSession &session = m_engine->session();
    if (kHoldButton)
        m_hold = std::make_unique<CallHold>(session);
    if (kTransferButton)
        m_transfer = std::make_unique<CallTransfer>(session, m_engine->presenter(), m_boxes, m_state);
    if (kDoNotDisturbButton) {
        const bool on = m_store.get(kDndApp, kDndSection, kDndKey, QString()) == QLatin1String("on");
        m_dnd = std::make_unique<DoNotDisturb>(session, m_engine->presenter(), on, [this](bool now) {
            if (!m_store.save(
                    kDndApp, kDndSection, kDndKey, now ? QStringLiteral("on") : QStringLiteral("off")))
                tellWhenIdle(QStringLiteral("Could not keep Do not disturb for the next start: ")
                    + m_store.lastError());
        });
    }
}

void Softphone::wireCallButtons()
{
    MainWindow *window = m_window.get();
    if (m_hold)
        QObject::connect(m_hold.get(), &CallHold::heldChanged, window,
            [window](bool held) { window->button(MainControl::HoldButton)->setLatched(held); });
    if (m_dnd) {
        window->button(MainControl::DndButton)->setLatched(m_dnd->isOn());
        QObject::connect(m_dnd.get(), &DoNotDisturb::changed, window,
            [window](bool on) { window->button(MainControl::DndButton)->setLatched(on); });
    }
    if (m_transfer)
        QObject::connect(m_transfer.get(), &CallTransfer::armedChanged, window, [window](bool armed) {
            window->button(MainControl::TransferButton)->setLatched(armed);
            window->openNumberEntry(armed);
        });
}

void Softphone::useBillingServer(const QString &baseUrl, const QList<QSslCertificate> &alsoTrusted)
{
    auto http = std::make_unique<QtHttpClient>();
    http->trustAlso(alsoTrusted);
    m_callBilling.reset();
    m_billing.reset(); // its queries go with it
    m_http = std::move(http);
    m_billing = std::make_unique<BillingClient>(*m_http, baseUrl, m_state.login);
    m_callBilling = std::make_unique<CallBilling>(*m_engine, *m_billing);
}

void Softphone::tellWhenIdle(const QString &text)
{
    // Not inside the call's event: the client's events would wait behind
    // the box until it is closed.
    QTimer::singleShot(0, m_engine.get(), [this, text] { m_boxes.show(text, MessageBoxes::Icon::Error); });
}

MainWindow &Softphone::window()
{
    if (!m_window)
        buildWindow();
    return *m_window;
}

void Softphone::buildWindow()
{
    // Built from the engine's state as it is then: its texts are read, its
    // controls start idle.
    m_window = std::make_unique<MainWindow>(*m_engine, m_state);
    m_window->setOpenLogin([this](bool modal) { openLogin(modal); });
    m_window->setOpenHistory([this] { openHistory(); });
    m_window->setOpenPhoneBook([this] { openPhoneBook(); });
    new PortalButtons(
        *m_window, *m_engine, QString::fromUtf8(deployment::kPortalUrl), [this](const QString &address) {
            if (m_openAddress)
                m_openAddress(address);
        });
    m_window->levelSliders()->setSoundFailure([this] { funcSoundError(m_state, m_boxes); });
    // While a transfer takes its target's number, the number box's Enter
    // and the call button send it, and the keys' tones stay here.
    const auto transferArmed = [this] { return m_transfer && m_transfer->armed(); };
    MainWindow::CallActions actions;
    actions.makeCall = [this, transferArmed] { transferArmed() ? m_transfer->send() : m_dialer->makeCall(); };
    actions.dialButton
        = [this, transferArmed] { transferArmed() ? m_transfer->send() : m_dialer->dialButton(); };
    actions.endButton = [this] { m_dialer->endButton(); };
    actions.playTone = [this, transferArmed](const QString &tone) {
        transferArmed() ? m_localTones->play(tone) : m_keyTones->playDtmf(tone);
    };
    if (m_hold)
        actions.holdButton = [this] { m_hold->toggle(); };
    if (m_dnd)
        actions.dndButton = [this] { m_dnd->toggle(); };
    if (m_transfer) {
        actions.transferButton = [this] { m_transfer->button(); };
        actions.escape = [this] { m_transfer->cancel(); };
    }
    m_window->setCallActions(std::move(actions));
    wireCallButtons();
}

bool Softphone::start()
{
    m_engine->prepareLoad();
    // A saved login is used as it is; without one the user logs in first.
    m_savedLogin.readProfile(m_state.login);
    if (m_onLogin)
        m_onLogin(m_state.login);
    const LoginValues &v = m_state.login;
    if (v.strPassword.isEmpty() && v.strUserName.isEmpty() && v.strAccountNumber.isEmpty()
        && v.strAccountPassword.isEmpty()) {
        window();
        createMixer();
        openLogin(true);
    }
    if (!m_engine->finishLoad())
        return false;
    // With a saved login the registration goes out first: building the main
    // window (its pictures) and opening the sound card's mixer (through the
    // sound server) take longer than everything before it, and the
    // registration needs neither.
    window();
    if (!m_mixer)
        createMixer();
    checkSoundDevices();
    m_window->levelSliders()->placeKnobs();
    m_window->show();
    return true;
}

void Softphone::createMixer()
{
    m_mixer = std::make_unique<SoundMixer>(m_mixerBackend ? m_mixerBackend() : nullptr);
    // Every range and level is read once at start-up and none is kept: the
    // levels the user sets go through the SIP stack.
    for (MixerLine line : kMixerLines) {
        m_mixer->minVolume(line);
        m_mixer->maxVolume(line);
        m_mixer->volume(line);
    }
}

void Softphone::checkSoundDevices()
{
    // A client that could not start (it has no provisioning until it has)
    // has no sound devices either, but the sound card is not what failed:
    // say what did, and where.
    if (m_client && !m_client->provisioning()) {
        const QString why = QString::fromStdString(m_client->startFailure());
        m_engine->presenter().setStatusText(QStringLiteral("SIP stack not started"));
        // Told instead of the sound card, which the level sliders would
        // report next: without a client their levels fail too.
        m_state.blnSoundFunError = true;
        m_boxes.show(QStringLiteral("Cannot start the SIP stack")
                + (why.isEmpty() ? QString() : QStringLiteral(": ") + why) + QLatin1Char('.'),
            MessageBoxes::Icon::Error);
        return;
    }
    // Without a capture and a playback device a call would be silent: say
    // so once, and refuse to dial.
    if (!m_client || !m_client->hasSoundDevices())
        funcSoundError(m_state, m_boxes);
}

void Softphone::bringToFront(const QString &number)
{
    if (!number.isEmpty()) {
        if (m_engine->session().live())
            m_waitingNumber = number;
        else
            m_engine->presenter().setNumberText(number);
    }
    if (m_login) { // logging in comes first
        m_login->raise();
        m_login->activateWindow();
        return;
    }
    if (!m_window)
        return; // start-up puts it in front
    if (!m_window->isVisible() || m_window->isMinimized())
        m_window->showFromTray();
    // A window open over the main one (login, history, phone book) stays in front.
    QWidget *front = QApplication::activeModalWidget();
    if (!front)
        front = frontWindow();
    front->raise();
    front->activateWindow();
    if (front == m_window.get())
        m_engine->presenter().focusNumberBox();
}

QWidget *Softphone::frontWindow() const
{
    if (m_login)
        return m_login;
    return m_window.get();
}

void Softphone::openLogin(bool modal)
{
    if (m_login) {
        m_login->raise();
        m_login->activateWindow();
        return;
    }
    windowlayer::leaveTopBand(&window());
    auto *login = new LoginWindow(*m_loginController, window().isVisible() ? &window() : nullptr);
    login->setAttribute(Qt::WA_DeleteOnClose);
    m_login = login;
    if (modal) {
        login->exec();
    } else {
        login->show();
    }
}

void Softphone::openHistory()
{
    RecentWindow recent(
        m_history->filePath(), m_state, m_boxes,
        [this](const QString &number) { return m_dialer->callNumber(number); }, &window());
    recent.setOpenBilledHistory([this] {
        if (m_openAddress)
            m_openAddress(
                weblinks::billedHistoryAddress(QString::fromUtf8(deployment::kAccountSite), m_state.login));
    });
    windowlayer::leaveTopBand(&window());
    recent.exec();
}

void Softphone::openPhoneBook()
{
    PhoneBookWindow book(
        m_appFolder, m_state, m_boxes, [this](const QString &number) { return m_dialer->callNumber(number); },
        &window());
    windowlayer::leaveTopBand(&window());
    book.exec();
}

bool Softphone::openAudioSetup()
{
    if (!m_client)
        return false;
    AudioSetupWindow setup(*m_client, &window());
    setup.exec();
    return true;
}

QString Softphone::defaultAppFolder()
{
    const QString beside = QCoreApplication::applicationDirPath();
    const QFileInfo info(beside);
    if (info.isDir() && info.isWritable())
        return beside;
    const QString data = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    QDir().mkpath(data);
    return data;
}

} // namespace ralu
