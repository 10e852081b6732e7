#include "Drawing.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainterPath>

#include <cstdio>

namespace skingen {

namespace {

// DejaVu from Debian's fonts-dejavu-core and fonts-dejavu-extra: fixed files,
// not whatever fontconfig would pick, so the pictures come out the same.
const char *const kFontFolder = "/usr/share/fonts/truetype/dejavu/";
const char *const kFontFiles[] = { "DejaVuSans-Bold.ttf", "DejaVuSansCondensed-Bold.ttf" };

} // namespace

bool loadFonts()
{
    for (const char *file : kFontFiles) {
        const QString path = QLatin1String(kFontFolder) + QLatin1String(file);
        if (QFontDatabase::addApplicationFont(path) < 0) {
            std::fprintf(stderr, "cannot load the font %s (Debian: fonts-dejavu-core, fonts-dejavu-extra)\n",
                qPrintable(path));
            return false;
        }
    }
    return true;
}

QFont labelFont(qreal pixelSize, bool condensed)
{
    QFont font(condensed ? QStringLiteral("DejaVu Sans Condensed") : QStringLiteral("DejaVu Sans"));
    font.setBold(true);
    font.setPointSizeF(pixelSize * 72.0 / 96.0); // the images are 96 dots per inch
    font.setHintingPreference(QFont::PreferVerticalHinting);
    font.setStyleStrategy(QFont::PreferAntialias);
    return font;
}

QRectF drawPlate(QPainter &p, const QRectF &rect, qreal radius, const Plate &plate, Look look)
{
    const QRectF r = rect.adjusted(0.5, 0.5, -0.5, -0.5);
    QColor top = plate.top;
    QColor bottom = plate.bottom;
    if (look == Look::Hovered) {
        top = top.lighter(120);
        bottom = bottom.lighter(120);
    } else if (look == Look::Pressed) {
        top = plate.bottom.darker(145);
        bottom = plate.top.darker(115);
    }
    QLinearGradient shade(r.topLeft(), r.bottomLeft());
    shade.setColorAt(0, top);
    shade.setColorAt(1, bottom);
    p.save();
    p.setPen(QPen(plate.edge, 1));
    p.setBrush(shade);
    p.drawRoundedRect(r, radius, radius);
    p.setBrush(Qt::NoBrush);
    if (look == Look::Hovered) {
        p.setPen(QPen(palette::kHoverRing, 1));
        p.drawRoundedRect(r.adjusted(1, 1, -1, -1), qMax<qreal>(0, radius - 1), qMax<qreal>(0, radius - 1));
    } else if (look == Look::Pressed && r.height() > 8) {
        // A shadow under the top edge: the plate is pushed in.
        p.setPen(QPen(QColor(0, 0, 0, 90), 1));
        p.drawLine(QPointF(r.left() + radius, r.top() + 1), QPointF(r.right() - radius, r.top() + 1));
    } else if (look == Look::Normal && r.height() > 8) {
        // A light top edge: the plate stands up from the body.
        p.setPen(QPen(QColor(255, 255, 255, 70), 1));
        p.drawLine(QPointF(r.left() + radius, r.top() + 1), QPointF(r.right() - radius, r.top() + 1));
    }
    p.restore();
    return look == Look::Pressed ? rect.translated(0, 1) : rect;
}

void drawFittedText(
    QPainter &p, const QRectF &rect, const QString &text, qreal pixelSize, const QColor &ink, bool condensed)
{
    qreal size = pixelSize;
    QFont font = labelFont(size, condensed);
    while (size > 6.5 && QFontMetricsF(font).horizontalAdvance(text) > rect.width() - 2) {
        size -= 0.5;
        font = labelFont(size, condensed);
    }
    p.save();
    p.setFont(font);
    p.setPen(ink);
    p.drawText(rect, Qt::AlignCenter, text);
    p.restore();
}

QImage render(const Picture &picture, int scale)
{
    QImage image(picture.size * scale, QImage::Format_ARGB32_Premultiplied);
    image.setDotsPerMeterX(3780);
    image.setDotsPerMeterY(3780);
    image.fill(Qt::transparent);
    image.setDevicePixelRatio(scale);
    {
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        p.setRenderHint(QPainter::TextAntialiasing);
        picture.draw(p);
    }
    image.setDevicePixelRatio(1);
    image = image.convertToFormat(QImage::Format_ARGB32);
    if (picture.outline) {
        // Outside the 1x outline: the transparent colour, pixel for pixel at
        // every scale, and fully transparent (where the window system does
        // not cut a window to its outline, Wayland, the desktop shows through
        // there); the outline's own pixels get the body's edge colour.
        const QImage outline = picture.outline();
        const auto inside = [&](int x, int y) {
            return x >= 0 && y >= 0 && x < image.width() && y < image.height()
                && qAlpha(outline.pixel(x / scale, y / scale)) != 0;
        };
        const QRgb key = qRgba(255, 0, 255, 0);
        const QRgb edge = palette::kBodyEdge.rgb();
        QImage out = image.copy();
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) {
                if (!inside(x, y)) {
                    out.setPixel(x, y, key);
                    continue;
                }
                bool border = false;
                for (int d = 1; d <= scale && !border; ++d)
                    border = !inside(x - d, y) || !inside(x + d, y) || !inside(x, y - d) || !inside(x, y + d);
                out.setPixel(x, y, border ? edge : (image.pixel(x, y) | 0xff000000u));
            }
        image = out; // not premultiplied: a transparent pixel keeps its colour
    }
    return image;
}

} // namespace skingen
