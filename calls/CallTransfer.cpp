#include "calls/CallTransfer.h"

#include <algorithm>

namespace ralu {

namespace {

bool inCall(CallState state)
{
    return state == CallState::Connected || state == CallState::Held;
}

} // namespace

CallTransfer::CallTransfer(CallSession &session, MainPresenter &presenter, MessageBoxes &boxes,
    const AppState &state, QObject *parent)
    : QObject(parent)
    , m_session(session)
    , m_presenter(presenter)
    , m_boxes(boxes)
    , m_state(state)
{
    m_report.setSingleShot(true);
    m_report.setInterval(30000);
    m_reason.setSingleShot(true);
    m_reason.setInterval(3000);
    connect(&m_report, &QTimer::timeout, this, [this] { goOn(QStringLiteral("Transfer not answered")); });
    connect(&m_reason, &QTimer::timeout, this, [this] {
        if (m_step == Step::Off)
            m_presenter.setCallStatus(m_session.state());
    });
    m_session.addListener(this);
}

CallTransfer::~CallTransfer()
{
    m_session.removeListener(this);
}

void CallTransfer::button()
{
    if (m_step == Step::Armed) {
        disarm();
    } else if (m_step == Step::Off && inCall(m_session.state())) {
        m_reason.stop();
        m_callNumber = m_presenter.numberText();
        m_presenter.setNumberText(QString());
        m_presenter.setStatusText(QStringLiteral("Transfer to:"));
        setStep(Step::Armed);
    }
    m_presenter.focusNumberBox();
}

void CallTransfer::cancel()
{
    if (m_step == Step::Armed)
        disarm();
}

void CallTransfer::send()
{
    if (m_step != Step::Armed)
        return;
    const QString number = m_presenter.numberText().trimmed();
    if (number.isEmpty()) {
        m_boxes.show(QStringLiteral("Enter number to call"), MessageBoxes::Icon::None);
        return;
    }
    if (number == m_state.login.strUserName) {
        m_boxes.show(QStringLiteral("You Are Trying To Call Your Self"), MessageBoxes::Icon::Error);
        return;
    }
    if (!std::all_of(number.begin(), number.end(),
            [](QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); })) {
        m_presenter.setStatusText(QStringLiteral("Numbers 0 to 9 only, please!"));
        return;
    }
    if (!m_session.transfer(number)) {
        goOn(QStringLiteral("Transfer failed"));
        return;
    }
    m_presenter.setStatusText(QStringLiteral("Transferring..."));
    setStep(Step::Waiting);
    m_report.start();
}

void CallTransfer::transferFailed()
{
    if (m_step == Step::Waiting)
        goOn(QStringLiteral("Transfer failed"));
}

void CallTransfer::callEnded(const CallEnd &)
{
    m_report.stop();
    m_reason.stop();
    setStep(Step::Off);
}

void CallTransfer::disarm()
{
    setStep(Step::Off);
    m_presenter.setNumberText(m_callNumber);
    m_presenter.setCallStatus(m_session.state());
}

void CallTransfer::goOn(const QString &reason)
{
    m_report.stop();
    setStep(Step::Off);
    m_presenter.setNumberText(m_callNumber);
    m_presenter.setStatusText(reason);
    m_reason.start();
}

void CallTransfer::setStep(Step step)
{
    const bool wasArmed = armed();
    m_step = step;
    if (wasArmed != armed())
        emit armedChanged(armed());
}

} // namespace ralu
