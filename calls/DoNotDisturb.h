// Do not disturb: while it is on, every call offered is declined busy at
// once (nothing rings or flashes; the call is logged missed), and the status
// line says so in place of the ready text. A click on its button toggles it;
// the state is kept for the next start by whoever gives `keep`.
#pragma once

#include "engine/CallSession.h"
#include "engine/MainPresenter.h"

#include <QObject>
#include <functional>

namespace ralu {

class DoNotDisturb : public QObject {
    Q_OBJECT
public:
    // on: the state kept from the last run. keep is told every change.
    DoNotDisturb(CallSession &session, MainPresenter &presenter, bool on, std::function<void(bool on)> keep,
        QObject *parent = nullptr);

    // The button's click.
    void toggle() { set(!m_on); }
    bool isOn() const { return m_on; }

signals:
    // The button shows its pressed picture while it is on.
    void changed(bool on);

private:
    void set(bool on);
    void apply();

    CallSession &m_session;
    MainPresenter &m_presenter;
    bool m_on;
    std::function<void(bool)> m_keep;
};

} // namespace ralu
