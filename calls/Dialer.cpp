#include "calls/Dialer.h"

namespace ralu {

Dialer::Dialer(CallEngine &engine, AppState &state, MessageBoxes &boxes,
    std::function<void(const QString &)> playTone, std::function<void(int)> pause)
    : m_engine(engine)
    , m_state(state)
    , m_boxes(boxes)
    , m_playTone(std::move(playTone))
    , m_pause(std::move(pause))
{
}

QString Dialer::toneName(QChar key)
{
    if (key >= QLatin1Char('0') && key <= QLatin1Char('9'))
        return QStringLiteral("Tone") + key + QStringLiteral(".wav");
    if (key == QLatin1Char('*'))
        return QStringLiteral("Tonestar.wav");
    if (key == QLatin1Char('#'))
        return QStringLiteral("Tonepnd.wav");
    return QString();
}

void Dialer::makeCall()
{
    // Never over a call under way: its digits would go out as tones into it.
    CallSession &session = m_engine.session();
    MainPresenter &presenter = m_engine.presenter();
    if (session.live())
        return;
    if (m_engine.registration().state() != RegistrationState::Registered) {
        m_boxes.show(
            QStringLiteral("Sorry, you are not registered, please Login again"), MessageBoxes::Icon::None);
        return;
    }
    const QString typed = presenter.numberText();
    if (typed.isEmpty()) {
        m_boxes.show(QStringLiteral("Enter number to call"), MessageBoxes::Icon::None);
        return;
    }
    if (typed == m_state.login.strUserName) {
        m_boxes.show(QStringLiteral("You Are Trying To Call Your Self"), MessageBoxes::Icon::Error);
        return;
    }
    if (m_state.blnSoundFunError) {
        m_boxes.show(QStringLiteral("Install Suitable Sound Card "), MessageBoxes::Icon::Information);
        return;
    }

    // The number sounds as it is checked: the keys before a bad one are heard.
    for (qsizetype i = 0; i < typed.size(); ++i) {
        const QString tone = toneName(typed.at(i));
        if (tone.isEmpty()) {
            presenter.setStatusText(QStringLiteral("Numbers 0 to 9 only, please!"));
            presenter.setIdleControls();
            return;
        }
        if (m_playTone)
            m_playTone(tone);
        if (typed.at(i) == QLatin1Char('#')) {
            m_boxes.show(QStringLiteral("Invalid SIP URI"), MessageBoxes::Icon::Error);
            return;
        }
        if (i + 1 < typed.size() && m_pause)
            m_pause(100);
    }

    session.dial(typed.trimmed());
}

bool Dialer::callNumber(const QString &number)
{
    if (m_engine.session().live())
        return false;
    m_engine.presenter().setNumberText(number);
    makeCall();
    return true;
}

void Dialer::dialButton()
{
    CallSession &session = m_engine.session();
    MainPresenter &presenter = m_engine.presenter();
    if (session.state() == CallState::Ringing) {
        session.answer();
        presenter.focusNumberBox();
        return;
    }
    if (presenter.numberText().isEmpty()) {
        m_boxes.show(QStringLiteral("Please enter number to Dial"), MessageBoxes::Icon::None);
        presenter.focusNumberBox();
        return;
    }
    if (session.calling())
        return;
    makeCall();
    presenter.focusNumberBox();
}

void Dialer::endButton()
{
    m_engine.session().hangUp();
    m_engine.presenter().focusNumberBox();
}

} // namespace ralu
