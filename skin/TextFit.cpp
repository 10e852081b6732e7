#include "skin/TextFit.h"

#include <QFontMetrics>

#include <algorithm>

namespace ralu::skin {

QFont fittingFont(QFont font, const QStringList &texts, int width, qreal smallest)
{
    auto widest = [&texts](const QFont &f) {
        const QFontMetrics metrics(f);
        int most = 0;
        for (const QString &text : texts)
            most = std::max(most, metrics.horizontalAdvance(text));
        return most;
    };
    while (widest(font) > width && font.pointSizeF() - 0.5 >= smallest)
        font.setPointSizeF(font.pointSizeF() - 0.5);
    return font;
}

} // namespace ralu::skin
