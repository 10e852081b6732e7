#include "calls/KeyTones.h"

namespace ralu {

KeyTones::KeyTones(CallEngine &engine, std::function<void(const QString &)> playLocal)
    : m_engine(engine)
    , m_playLocal(std::move(playLocal))
{
}

std::optional<RtcDtmf> KeyTones::digitOf(const QString &toneName)
{
    const QString name = toneName.toUpper();
    if (name == QLatin1String("TONESTAR.WAV"))
        return RTC_DTMF_STAR;
    if (name == QLatin1String("TONEPND.WAV"))
        return RTC_DTMF_POUND;
    if (name.size() == 9 && name.startsWith(QLatin1String("TONE")) && name.endsWith(QLatin1String(".WAV"))
        && name.at(4).isDigit() && name.at(4).unicode() < 128)
        return static_cast<RtcDtmf>(name.at(4).unicode() - '0');
    return std::nullopt;
}

void KeyTones::playDtmf(const QString &toneName)
{
    if (m_engine.session().state() == CallState::Connected) {
        if (const auto digit = digitOf(toneName))
            m_engine.session().sendTone(*digit);
        return;
    }
    if (m_playLocal)
        m_playLocal(toneName);
}

} // namespace ralu
