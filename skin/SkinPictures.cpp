#include "skin/SkinPictures.h"

#include "skin/HoverHighlight.h"
#include "skin/PictureButton.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>

namespace ralu::skin {

namespace {

// The body fills the picture's width and bodyHeight rows from the top; the
// rest is transparent, outside the window's outline.
QPixmap background(QSize size, const QString &title, int bodyHeight = -1)
{
    if (bodyHeight < 0)
        bodyHeight = size.height();
    QPixmap pixmap(size);
    pixmap.fill(kTransparentColour);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing, false); // hard edges: the outline is cut per pixel
    QPainterPath body;
    body.addRoundedRect(QRectF(0, 0, size.width() - 1, bodyHeight - 1), 14, 14);
    QLinearGradient shade(0, 0, 0, bodyHeight);
    shade.setColorAt(0, QColor(58, 74, 96));
    shade.setColorAt(1, QColor(24, 32, 44));
    p.fillPath(body, shade);
    p.setPen(QColor(120, 140, 170));
    p.drawPath(body);
    if (!title.isEmpty()) {
        p.setPen(QColor(200, 210, 225));
        QFont font = p.font();
        font.setPixelSize(10);
        font.setBold(true);
        p.setFont(font);
        p.drawText(QRect(12, 2, size.width() - 24, 14), Qt::AlignLeft | Qt::AlignVCenter, title);
    }
    return pixmap;
}

} // namespace

QPixmap mainBackground()
{
    QPixmap pixmap = background(QSize(231, 346), QString());
    QPainter p(&pixmap);
    // Display panel behind the status, balance and time lines and the number box.
    p.setPen(QColor(90, 110, 90));
    p.setBrush(QColor(198, 214, 186));
    p.drawRoundedRect(QRect(10, 14, 211, 104), 6, 6);
    return pixmap;
}

QPixmap loginBackground()
{
    return background(QSize(231, 146), QStringLiteral("Ralu"));
}

QPixmap recentBackground()
{
    QPixmap pixmap = background(QSize(230, 298), QStringLiteral("Recent"), 272);
    QPainter p(&pixmap);
    // A light page behind the three tab captions and the list.
    p.setPen(QColor(90, 100, 120));
    p.setBrush(QColor(236, 240, 246));
    p.drawRoundedRect(QRect(4, 40, 221, 197), 5, 5);
    p.setPen(QColor(170, 180, 196));
    p.drawLine(6, 60, 223, 60);
    p.drawLine(72, 43, 72, 58);
    p.drawLine(155, 43, 155, 58);
    return pixmap;
}

QPixmap phoneBookBackground()
{
    return background(QSize(230, 298), QStringLiteral("Phone Book"));
}

QPixmap audioSetupBackground()
{
    return background(QSize(231, 206), QStringLiteral("Audio Set-up"));
}

QPixmap sliderTrack(QSize size)
{
    QPixmap pixmap(size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal groove = 4;
    const QRectF box((size.width() - groove) / 2, 1, groove, size.height() - 2);
    p.setPen(QColor(120, 140, 170));
    p.setBrush(QColor(14, 18, 26));
    p.drawRoundedRect(box, 2, 2);
    return pixmap;
}

QPixmap buttonPicture(QSize size, Glyph glyph, const QString &caption, bool pressed)
{
    QPixmap pixmap(size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF box = QRectF(0.5, 0.5, size.width() - 1, size.height() - 1);
    QColor face(70, 86, 110);
    if (glyph == Glyph::Dial)
        face = QColor(40, 140, 60);
    else if (glyph == Glyph::HangUp || glyph == Glyph::Close)
        face = QColor(170, 45, 40);
    if (pressed)
        face = face.lighter(140);
    QLinearGradient shade(0, 0, 0, size.height());
    shade.setColorAt(0, face.lighter(125));
    shade.setColorAt(1, face.darker(130));
    p.setPen(QColor(20, 24, 30));
    p.setBrush(shade);
    p.drawRoundedRect(box, 4, 4);

    p.setPen(QPen(Qt::white, 2));
    const QPointF c = box.center();
    switch (glyph) {
    case Glyph::Dial:
    case Glyph::HangUp: {
        // A handset: two ear pieces joined by an arc.
        QPainterPath handset;
        const qreal w = size.width() * 0.55, h = size.height() * 0.3;
        handset.moveTo(c.x() - w / 2, c.y() + h / 3);
        handset.quadTo(c.x(), c.y() - h, c.x() + w / 2, c.y() + h / 3);
        p.setPen(QPen(Qt::white, 4, Qt::SolidLine, Qt::RoundCap));
        p.drawPath(handset);
        break;
    }
    case Glyph::Close:
        p.drawLine(QPointF(3, 3), QPointF(size.width() - 3, size.height() - 3));
        p.drawLine(QPointF(size.width() - 3, 3), QPointF(3, size.height() - 3));
        break;
    default: {
        QFont font = p.font();
        // As large as fits: the height, and the width for longer captions.
        const int byWidth
            = caption.isEmpty() ? 14 : (size.width() - 4) * 16 / (10 * qMax(1, int(caption.size())));
        font.setPixelSize(qMax(7, std::min({ size.height() - 8, 14, byWidth })));
        font.setBold(true);
        p.setFont(font);
        p.drawText(box, Qt::AlignCenter, caption);
        break;
    }
    }
    return pixmap;
}

PictureButton *makeButton(
    QWidget *parent, const char *name, QRect geometry, Glyph glyph, const QString &caption)
{
    auto *button = new PictureButton(parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setGeometry(geometry);
    button->setPictures(buttonPicture(geometry.size(), glyph, caption, false),
        buttonPicture(geometry.size(), glyph, caption, true));
    return button;
}

} // namespace ralu::skin

// ---- Holder pictures, drawn like the other buttons (to be replaced by the
// skin's own holder pictures).
namespace ralu::skin {

namespace {

struct HolderPair {
    const char *pressed, *released;
    QSize size;
    Glyph glyph;
    const char *caption;
};

// clang-format off
const HolderPair kHolderPairs[] = {
    {"offImage7", "onImage21", {32, 12}, Glyph::Small, ""}, {"offImage14", "onImage22", {32, 12}, Glyph::Small, ""},
    {"offImage15", "onImage23", {32, 12}, Glyph::Small, ""}, {"offImage16", "onImage24", {43, 13}, Glyph::Text, "Audio"},
    {"offImage17", "onImage3", {32, 12}, Glyph::Small, ""}, {"offImage18", "onImage26", {32, 12}, Glyph::Small, ""},
    {"offImage19", "onImage27", {32, 12}, Glyph::Small, ""}, {"offImage20", "onImage28", {43, 12}, Glyph::Text, "Login"},
    {"offImage29", "onImage34", {32, 12}, Glyph::Small, ""}, {"offImage30", "onImage35", {32, 12}, Glyph::Small, ""},
    {"offImage31", "onImage36", {32, 12}, Glyph::Small, ""}, {"offImage33", "onImage38", {32, 12}, Glyph::Small, ""},
    {"offImage32", "onImage37", {32, 12}, Glyph::Small, ""}, {"offImage4", "oonImage3", {40, 32}, Glyph::Text, "Web"},
    {"onPC", "offPC", {38, 36}, Glyph::Dial, ""}, {"onCB", "offCB", {38, 36}, Glyph::HangUp, ""},
    {"offBack", "onBack", {33, 37}, Glyph::Text, "C"}, {"b1", "a1", {31, 25}, Glyph::Text, "1"},
    {"ony", "offy", {31, 25}, Glyph::Text, "*"}, {"onHash", "offHash", {31, 25}, Glyph::Text, "#"},
    {"onAdo", "offAdo", {73, 32}, Glyph::Small, ""}, {"onDel", "offDel", {89, 24}, Glyph::Small, ""},
    {"onPB", "offPB", {56, 13}, Glyph::Small, ""},
};
// clang-format on

} // namespace

QPixmap holderPicture(const QString &holder)
{
    for (const HolderPair &pair : kHolderPairs)
        for (bool pressed : { true, false })
            if (holder == QLatin1String(pressed ? pair.pressed : pair.released))
                return buttonPicture(pair.size, pair.glyph, QString::fromLatin1(pair.caption), pressed);
    // Keys 2 to 9 and 0: "on2" pressed, "off2" released.
    const bool pressed = holder.startsWith(QLatin1String("on"));
    const QString digit = holder.mid(pressed ? 2 : 3);
    if (digit.size() == 1 && digit.at(0).isDigit() && (pressed || holder.startsWith(QLatin1String("off"))))
        return buttonPicture(QSize(31, 25), Glyph::Text, digit, pressed);
    return QPixmap();
}

QPixmap hoveredPicture(const QString &releasedHolder)
{
    return HoverHighlight::lightened(holderPicture(releasedHolder));
}

} // namespace ralu::skin
