// The key tone of a dial key: sent into the call as a touch tone while a call
// is connected, played on the speaker otherwise.
#pragma once

#include "engine/CallEngine.h"

#include <QString>
#include <functional>
#include <optional>

namespace ralu {

class KeyTones {
public:
    // playLocal plays a tone by its tone name on this computer.
    KeyTones(CallEngine &engine, std::function<void(const QString &toneName)> playLocal);

    void playDtmf(const QString &toneName);

    // The touch tone of a tone name ("Tone1.wav", "TONESTAR.WAV"...), letter
    // case ignored; nothing for other names.
    static std::optional<RtcDtmf> digitOf(const QString &toneName);

private:
    CallEngine &m_engine;
    std::function<void(const QString &)> m_playLocal;
};

} // namespace ralu
