// Placing calls from the number box, and the call buttons that act on the
// current call: dial or answer, end or reject busy.
#pragma once

#include "engine/AppState.h"
#include "engine/CallEngine.h"
#include "engine/MessageBoxes.h"

#include <QString>
#include <functional>

namespace ralu {

class Dialer {
public:
    // playTone plays or sends one key tone by its tone name ("Tone1.wav"...);
    // pause blocks for the given milliseconds between the tones of a number.
    Dialer(CallEngine &engine, AppState &state, MessageBoxes &boxes,
        std::function<void(const QString &toneName)> playTone, std::function<void(int ms)> pause);

    // Places a call to the number in the number box, after its checks.
    void makeCall();
    // The phone book's and the history's call: puts the number in the number
    // box and places the call. False, with nothing changed, while a call is
    // under way.
    bool callNumber(const QString &number);
    // The dial button: answers a call ringing in, else dials.
    void dialButton();
    // The end button: rejects a call ringing in as busy, else ends the call.
    void endButton();

    // The tone name of a key: "Tone0.wav".."Tone9.wav", "Tonestar.wav",
    // "Tonepnd.wav"; empty for any other character.
    static QString toneName(QChar key);

private:
    CallEngine &m_engine;
    AppState &m_state;
    MessageBoxes &m_boxes;
    std::function<void(const QString &)> m_playTone;
    std::function<void(int)> m_pause;
};

} // namespace ralu
