// The transfer button: a blind transfer of the connected (or held) call.
// Idle, a click only gives the number box the focus. In a call it arms the
// transfer: the number box is opened and emptied for the target, whose
// digits go there instead of down the line. Enter or the call button asks
// the far end to call sip:<number>@<server>; a second click or Escape
// disarms it and the call goes on. When the far end reaches the target the
// call ends ("Transferred"); when it fails, or does not report within the
// report time, the call goes on and the reason shows for a few seconds.
#pragma once

#include "engine/AppState.h"
#include "engine/CallListener.h"
#include "engine/CallSession.h"
#include "engine/MainPresenter.h"
#include "engine/MessageBoxes.h"

#include <QObject>
#include <QTimer>

namespace ralu {

class CallTransfer : public QObject, public CallListener {
    Q_OBJECT
public:
    // Listens to the session for as long as it lives.
    CallTransfer(CallSession &session, MainPresenter &presenter, MessageBoxes &boxes, const AppState &state,
        QObject *parent = nullptr);
    ~CallTransfer() override;

    // The transfer button's click.
    void button();
    // Enter or the call button while armed: the number box's number, after
    // the checks of dialling, goes to the far end.
    void send();
    // Escape: disarms; nothing otherwise.
    void cancel();
    // Taking the target's number: the number box and the call button are
    // open during the call, and digits are no touch tones.
    bool armed() const { return m_step == Step::Armed; }

    // How long a request waits for the far end's report (30 s), and how
    // long a failure's reason shows (3 s); tests shorten them.
    void setTimes(int reportMs, int reasonMs)
    {
        m_report.setInterval(reportMs);
        m_reason.setInterval(reasonMs);
    }

    // ---- CallListener ----
    void transferFailed() override;
    void transferSucceeded() override { m_report.stop(); }
    void callEnded(const CallEnd &end) override;

signals:
    void armedChanged(bool armed);

private:
    enum class Step { Off, Armed, Waiting };

    void disarm();
    // The call goes on: the reason for a few seconds, then the call's status.
    void goOn(const QString &reason);
    void setStep(Step step);

    CallSession &m_session;
    MainPresenter &m_presenter;
    MessageBoxes &m_boxes;
    const AppState &m_state;
    Step m_step = Step::Off;
    QString m_callNumber; // the number box's text before it was armed
    QTimer m_report;
    QTimer m_reason;
};

} // namespace ralu
