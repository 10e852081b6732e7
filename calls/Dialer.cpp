#include "calls/Dialer.h"

namespace ralu {

const char *const Dialer::kCallFailedText = "Call failed";

Dialer::Dialer(CallEngine &engine, AppState &state, MessageBoxes &boxes,
               std::function<void(const QString &)> playTone, std::function<void(int)> pause)
    : m_engine(engine), m_state(state), m_boxes(boxes), m_playTone(std::move(playTone)), m_pause(std::move(pause))
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
    if (m_engine.regState() != QLatin1String("REGISTERED")) {
        m_boxes.show(QStringLiteral("Sorry, you are not registered, please Login again"), MessageBoxes::Icon::None);
        return;
    }
    const QString typed = m_engine.numberText();
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
            m_engine.setStatusText(QStringLiteral("Numbers 0 to 9 only, please!"));
            m_engine.setIdleControls();
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

    const QString number = typed.trimmed();
    m_engine.addRecentCall(number, 2);
    const std::string address = "sip:" + number.toStdString() + "@" + m_engine.sipServer().toStdString();

    RtcClient *client = m_engine.client();
    std::shared_ptr<RtcSession> session;
    if (client)
        session = client->createSession(RTCST_PC_TO_PHONE, nullptr, m_engine.profile(), RTCCS_FORCE_PROFILE);
    std::shared_ptr<RtcParticipant> participant;
    if (session) {
        m_engine.setSession(session);
        participant = session->addParticipant(address, "Any Name");
        if (participant)
            m_engine.setParticipant(participant);
    }
    if (!session || !participant) {
        // The call never left: no in-call state to be stuck in.
        if (session)
            m_engine.setSession(nullptr);
        m_engine.setParticipant(nullptr);
        m_engine.setIdleControls();
        m_engine.setStatusText(QString::fromLatin1(kCallFailedText));
        return;
    }
    m_engine.setInCallControls();
}

void Dialer::dialButton()
{
    if (m_engine.incoming() == 1) {
        if (const auto &session = m_engine.session())
            session->answer();
        m_engine.focusNumberBox();
        return;
    }
    if (m_engine.numberText().isEmpty()) {
        m_boxes.show(QStringLiteral("Please enter number to Dial"), MessageBoxes::Icon::None);
        m_engine.focusNumberBox();
        return;
    }
    if (m_engine.calling())
        return;
    makeCall();
    m_engine.focusNumberBox();
}

void Dialer::endButton()
{
    if (const std::shared_ptr<RtcSession> session = m_engine.session()) {
        if (session->state() == RTCSS_INCOMING) {
            session->terminate(RTCTR_BUSY);
            m_engine.ringTimer().stop();
        } else {
            session->terminate(RTCTR_NORMAL);
        }
    }
    m_engine.focusNumberBox();
}

} // namespace ralu
