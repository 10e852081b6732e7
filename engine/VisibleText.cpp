#include "engine/VisibleText.h"

#include <QList>

namespace ralu {

QString visibleText(const QString &text, qsizetype maxChars, bool (*keep)(char32_t))
{
    QList<uint> chars = text.toUcs4();
    const bool cut = chars.size() > maxChars;
    chars.resize(qMin(chars.size(), maxChars));
    QString out;
    for (const uint c : chars) {
        const char32_t shown = keep(c) ? char32_t(c) : char32_t(QChar::ReplacementCharacter);
        out += QString::fromUcs4(&shown, 1);
    }
    if (cut)
        out += QChar(0x2026); // "…": there was more
    return out;
}

bool isPrintable(char32_t c)
{
    switch (QChar::category(c)) {
    case QChar::Other_Control:
        return c == '\t' || c == '\r' || c == '\n';
    case QChar::Other_Format:
    case QChar::Other_Surrogate:
    case QChar::Other_PrivateUse:
    case QChar::Other_NotAssigned:
        return false;
    default:
        return true;
    }
}

} // namespace ralu
