// The four window backgrounds (a rounded body on the transparent colour)
// and the two slider tracks.
#include "Drawing.h"

#include <QLinearGradient>
#include <QPainterPath>

namespace skingen {

namespace {

using namespace palette;

// The body's outline at 1x: a rounded rectangle of the picture's width and
// bodyHeight rows, cut hard (no blending with the transparent colour).
std::function<QImage()> roundedOutline(QSize size, int bodyHeight, qreal radius)
{
    return [=] {
        QImage outline(size, QImage::Format_ARGB32);
        outline.fill(Qt::transparent);
        QPainter p(&outline);
        QPainterPath body;
        body.addRoundedRect(QRectF(0, 0, size.width(), bodyHeight), radius, radius);
        p.fillPath(body, Qt::black);
        return outline;
    };
}

void body(QPainter &p, QSize size)
{
    QLinearGradient shade(0, 0, 0, size.height());
    shade.setColorAt(0, kBodyTop);
    shade.setColorAt(1, kBodyBottom);
    p.fillRect(QRectF(QPointF(0, 0), QSizeF(size)), shade);
}

void title(QPainter &p, const QString &text, qreal width = 90)
{
    p.save();
    p.setFont(labelFont(10.5, false));
    p.setPen(kCaption);
    p.drawText(QRectF(12, 1, width, 16), Qt::AlignLeft | Qt::AlignVCenter, text);
    p.restore();
}

// A sunken panel: darker or lighter than the body, with a thin edge.
void panel(QPainter &p, const QRectF &rect, const QColor &top, const QColor &bottom, const QColor &edge,
    qreal radius)
{
    QLinearGradient shade(rect.topLeft(), rect.bottomLeft());
    shade.setColorAt(0, top);
    shade.setColorAt(1, bottom);
    p.save();
    p.setPen(QPen(edge, 1));
    p.setBrush(shade);
    p.drawRoundedRect(rect, radius, radius);
    p.restore();
}

void groove(QPainter &p, qreal y, qreal left, qreal right)
{
    p.save();
    p.setPen(QPen(QColor(0x0e, 0x12, 0x18), 1));
    p.drawLine(QPointF(left, y), QPointF(right, y));
    p.setPen(QPen(QColor(0x48, 0x56, 0x6b), 1));
    p.drawLine(QPointF(left, y + 1), QPointF(right, y + 1));
    p.restore();
}

void mainBody(QPainter &p)
{
    const QSize size(231, 346);
    body(p, size);
    title(p, QStringLiteral("Ralu"));
    // The display: status, balance, talk time and the number box on light glass.
    panel(p, QRectF(10.5, 18.5, 210, 99), kPanelTop, kPanelBottom, kPanelEdge, 6);
    groove(p, 125.5, 12, 219);
    groove(p, 299.5, 12, 219);
    // What the two level sliders set.
    icons::microphone(p, QRectF(50, 278, 14, 14), kMuted);
    icons::speaker(p, QRectF(168, 278, 14, 14), kMuted);
}

void track(QPainter &p, QSize size)
{
    const qreal mid = size.width() / 2.0;
    panel(p, QRectF(mid - 2.5, 2.5, 5, size.height() - 5), QColor(0x0b, 0x0f, 0x14), QColor(0x1a, 0x21, 0x2b),
        QColor(0x5a, 0x69, 0x80), 2.5);
    p.save();
    for (int i = 0; i * 9 + 7 < size.height() - 4; ++i) {
        const qreal y = 7.5 + i * 9;
        const qreal reach = i % 2 == 0 ? 4 : 2.5;
        p.setPen(QPen(i % 2 == 0 ? kMuted : QColor(0x6b, 0x7a, 0x90), 1));
        p.drawLine(QPointF(mid - 4.5 - reach, y), QPointF(mid - 4.5, y));
        p.drawLine(QPointF(mid + 4.5, y), QPointF(mid + 4.5 + reach, y));
    }
    p.restore();
}

} // namespace

void addBackgrounds(std::vector<Picture> &out)
{
    out.push_back(
        { QStringLiteral("bg_main"), QSize(231, 346), mainBody, roundedOutline(QSize(231, 346), 346, 14) });
    out.push_back({ QStringLiteral("bg_login"), QSize(231, 146),
        [](QPainter &p) {
            body(p, QSize(231, 146));
            title(p, QStringLiteral("Ralu login"));
            groove(p, 17.5, 12, 219);
        },
        roundedOutline(QSize(231, 146), 146, 12) });
    // The call history window's outline ends at row 272, above the billed
    // history link's place.
    out.push_back({ QStringLiteral("bg_recent"), QSize(230, 298),
        [](QPainter &p) {
            body(p, QSize(230, 272));
            title(p, QStringLiteral("Recent calls"));
            // A light page behind the three tab captions and the list.
            panel(p, QRectF(4.5, 40.5, 221, 196), QColor(0xf3, 0xf6, 0xf9), QColor(0xe4, 0xea, 0xf0),
                kPanelEdge, 5);
            p.setPen(QPen(QColor(0xb4, 0xbf, 0xcc), 1));
            p.drawLine(QPointF(72.5, 44), QPointF(72.5, 58));
            p.drawLine(QPointF(155.5, 44), QPointF(155.5, 58));
        },
        roundedOutline(QSize(230, 298), 272, 12) });
    out.push_back({ QStringLiteral("bg_phonebook"), QSize(230, 298),
        [](QPainter &p) {
            body(p, QSize(230, 298));
            title(p, QStringLiteral("Phone Book"));
            // A frame round the contact list.
            panel(p, QRectF(13.5, 54.5, 204, 103), QColor(0x0e, 0x13, 0x1a), QColor(0x0e, 0x13, 0x1a),
                QColor(0x5a, 0x69, 0x80), 3);
            groove(p, 222.5, 12, 218);
        },
        roundedOutline(QSize(230, 298), 298, 12) });
    out.push_back({ QStringLiteral("bg_audiosetup"), QSize(231, 206),
        [](QPainter &p) {
            body(p, QSize(231, 206));
            title(p, QStringLiteral("Audio Set-up"));
            groove(p, 17.5, 12, 219);
        },
        roundedOutline(QSize(231, 206), 206, 12) });
    out.push_back(
        { QStringLiteral("track_mic"), QSize(18, 97), [](QPainter &p) { track(p, QSize(18, 97)); }, {} });
    out.push_back(
        { QStringLiteral("track_speaker"), QSize(18, 98), [](QPainter &p) { track(p, QSize(18, 98)); }, {} });
}

} // namespace skingen
