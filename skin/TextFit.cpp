#include "skin/TextFit.h"

#include <QFontMetrics>

namespace ralu::skin {

QFont fittingFont(QFont font, const QStringList &texts, int width, qreal smallest, int height)
{
    auto tooLarge = [&](const QFont &f) {
        const QFontMetrics metrics(f);
        if (height > 0 && metrics.height() > height)
            return true;
        for (const QString &text : texts)
            if (metrics.boundingRect(text).width() > width)
                return true;
        return false;
    };
    while (tooLarge(font) && font.pointSizeF() - 0.5 >= smallest)
        font.setPointSizeF(font.pointSizeF() - 0.5);
    return font;
}

} // namespace ralu::skin
