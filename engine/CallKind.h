// The kinds of call the history keeps, and the letter each is filed under
// in recentcall.txt ("D::555  [...]").
#pragma once

#include <QChar>
#include <optional>

namespace ralu {

enum class CallKind { Missed, Received, Dialed };

inline constexpr CallKind kCallKinds[] = { CallKind::Dialed, CallKind::Received, CallKind::Missed };

inline QChar kindLetter(CallKind kind)
{
    switch (kind) {
    case CallKind::Dialed:
        return QLatin1Char('D');
    case CallKind::Received:
        return QLatin1Char('R');
    case CallKind::Missed:
        break;
    }
    return QLatin1Char('M');
}

// The kind a history line's first letter files it under; none for others.
inline std::optional<CallKind> kindOfLetter(QChar letter)
{
    for (CallKind kind : kCallKinds)
        if (kindLetter(kind) == letter)
            return kind;
    return std::nullopt;
}

} // namespace ralu
