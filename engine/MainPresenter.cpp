#include "engine/MainPresenter.h"

#include "engine/CallEndNotice.h"

#include <utility>

namespace ralu {

MainPresenter::MainPresenter(AppState &state, QObject *parent)
    : QObject(parent)
    , m_state(state)
{
    m_ready.setInterval(2);
    m_connected.setInterval(1000);
    // Each second of the call on time, not up to 5 % late.
    m_connected.setTimerType(Qt::PreciseTimer);
    connect(&m_ready, &QTimer::timeout, this, &MainPresenter::readyTick);
    connect(&m_connected, &QTimer::timeout, this, &MainPresenter::callClockTick);
}

void MainPresenter::prepareLoad()
{
    setIdleControls();
    setStatusText(QString());
    setStatusText(QStringLiteral("Not logged in..."));
}

void MainPresenter::stop()
{
    m_ready.stop();
    m_connected.stop();
}

// ------------------------------------------------------------ registration

void MainPresenter::registrationChanged(RegistrationState state)
{
    switch (state) {
    case RegistrationState::NotRegistered:
        setStatusText(QStringLiteral("Not Registered"));
        setAccountLabel(QString());
        break;
    case RegistrationState::Registering:
        setAccountLabel(QString());
        setStatusText(QStringLiteral("Registering"));
        break;
    case RegistrationState::Registered:
        setAccountLabel(m_state.login.strUserName);
        showReady(QStringLiteral("Registered and Ready..."));
        break;
    case RegistrationState::Rejected:
        setStatusText(QStringLiteral("Rejected"));
        setAccountLabel(QString());
        break;
    case RegistrationState::LoggedOff:
        setStatusText(QStringLiteral("Logged off."));
        setAccountLabel(QString());
        break;
    }
}

// ---------------------------------------------------------------- the call

void MainPresenter::callDialed(const QString &)
{
    // The last call's pending reset would wipe this call's number and status.
    m_ready.stop();
    m_readyDue.keepBoth();
}

void MainPresenter::dialFailed()
{
    setIdleControls();
    setStatusText(QStringLiteral("Call failed"));
}

void MainPresenter::callOffered(const CallOffer &offer)
{
    // An offer with other than one participant leaves the texts as they are.
    if (offer.taken && offer.hasCaller)
        setStatusText(QStringLiteral("Incoming: ") + offer.number);
}

void MainPresenter::callInProgress()
{
    setLoginButtonsEnabled(false);
    setStatusText(QStringLiteral("Inprogress"));
}

void MainPresenter::callConnected(const ConnectedCall &)
{
    setLoginButtonsEnabled(false);
    setStatusText(QStringLiteral("Connected"));
    // The clock starts now; the countdown shows no talk time until the
    // billing server's answer for this call (startTalkTime).
    m_clock.clearRemaining();
    m_clock.resetElapsed();
    m_connected.start();
    setInCallControls();
}

void MainPresenter::startTalkTime(std::optional<qint64> seconds)
{
    m_clock.setRemainingSeconds(
        seconds ? *seconds - m_clock.elapsedSeconds() : static_cast<qint64>(m_clock.timesec));
}

void MainPresenter::callEnded(const CallEnd &end)
{
    if (end.missed)
        m_connected.stop();
    setLoginButtonsEnabled(true);
    setCallTimeText(QString());
    const CallEndNotice notice
        = end.transferred ? CallEndNotice::transferred() : CallEndNotice::of(end.reason);
    setStatusText(notice.text);
    setIdleControls();
    startReady(notice.shownMs);
    focusNumberBox();
}

// ------------------------------------------------------------------ timers

void MainPresenter::startReady(int ms)
{
    m_ready.setInterval(ms);
    m_ready.start();
    m_readyDue.arm();
}

void MainPresenter::readyTick()
{
    m_ready.stop();
    const PendingReady due = std::exchange(m_readyDue, {});
    if (due.status())
        showReady(QStringLiteral("Registered and Ready.."));
    if (due.number())
        setNumberText(QString());
}

void MainPresenter::callClockTick()
{
    m_clock.tick();
    setCallTimeText(m_clock.elapsedText());
    setAccountTimeText(m_clock.remainingText());
}

// ---------------------------------------------------------------- controls

void MainPresenter::setIdleControls()
{
    m_inCallControls = false;
    m_connected.stop();
    emit controlsChanged(false);
}

void MainPresenter::setInCallControls()
{
    m_inCallControls = true;
    emit controlsChanged(true);
}

// ------------------------------------------------------------------- texts

void MainPresenter::showReady(QString readyText)
{
    // By value: the text may be m_readyShown itself, which setStatusText clears.
    setStatusText(m_idleNotice.isEmpty() ? readyText : m_idleNotice);
    m_readyShown = readyText;
}

void MainPresenter::setIdleNotice(const QString &text)
{
    m_idleNotice = text;
    if (!m_readyShown.isEmpty())
        showReady(m_readyShown);
}

void MainPresenter::setCallStatus(CallState state)
{
    if (state == CallState::Held)
        setStatusText(QStringLiteral("On hold"));
    else if (state == CallState::Connected)
        setStatusText(QStringLiteral("Connected"));
}

void MainPresenter::setStatusText(const QString &text)
{
    m_readyShown.clear();
    m_status = text;
    m_readyDue.keepStatus();
    emit statusTextChanged(text);
}

void MainPresenter::setAccountLabel(const QString &text)
{
    m_accountLabel = text;
    emit accountLabelChanged(text);
}

void MainPresenter::setBalanceText(const QString &text)
{
    m_balance = text;
    emit balanceTextChanged(text);
}

void MainPresenter::setNumberText(const QString &text)
{
    if (m_number == text)
        return;
    m_number = text;
    m_readyDue.keepNumber();
    emit numberTextChanged(text);
}

void MainPresenter::setCallTimeText(const QString &text)
{
    m_callTime = text;
    emit callTimeTextChanged(text);
}

void MainPresenter::setAccountTimeText(const QString &text)
{
    m_accountTime = text;
    emit accountTimeTextChanged(text);
}

void MainPresenter::setLoginButtonsEnabled(bool enabled)
{
    m_loginButtonsEnabled = enabled;
    emit loginButtonsEnabledChanged(enabled);
}

} // namespace ralu
