// Shared drawing of the skin picture generator: the palette, fonts loaded
// from fixed files (so every machine draws the same glyphs), button plates
// in their three looks, fitted text and the small line icons.
#pragma once

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QString>

#include <functional>
#include <vector>

namespace skingen {

enum class Look { Normal, Pressed, Hovered };

// A button plate's colours: gradient from top to bottom, edge and ink.
struct Plate {
    QColor top, bottom, edge, ink;
};

namespace palette {
inline const QColor kBodyTop(0x30, 0x3c, 0x4e);
inline const QColor kBodyBottom(0x17, 0x1d, 0x27);
inline const QColor kBodyEdge(0x5b, 0x6b, 0x84);
inline const QColor kPanelTop(0xe6, 0xed, 0xf3);
inline const QColor kPanelBottom(0xd0, 0xda, 0xe4);
inline const QColor kPanelEdge(0x7f, 0x90, 0xa6);
inline const QColor kCaption(0xe6, 0xec, 0xf5);
inline const QColor kMuted(0xa9, 0xb6, 0xc7);
inline const QColor kHoverRing(0x7c, 0xc0, 0xff);
inline const Plate kSlate { QColor(0x4a, 0x58, 0x6e), QColor(0x30, 0x3b, 0x4b), QColor(0x12, 0x17, 0x1f),
    QColor(0xf5, 0xf8, 0xfb) };
inline const Plate kGreen { QColor(0x30, 0xa8, 0x61), QColor(0x1a, 0x72, 0x40), QColor(0x0c, 0x36, 0x1e),
    Qt::white };
inline const Plate kRed { QColor(0xe2, 0x56, 0x4c), QColor(0xa3, 0x2e, 0x28), QColor(0x4a, 0x12, 0x0f),
    Qt::white };
inline const Plate kBlue { QColor(0x45, 0x92, 0xdf), QColor(0x25, 0x5f, 0xa3), QColor(0x0f, 0x2b, 0x4d),
    Qt::white };
inline const QColor kAmber(0xf5, 0xb7, 0x31);
} // namespace palette

// Loads the fonts the pictures use; false (with a message) when a file is missing.
bool loadFonts();
// Bold sans serif of the given pixel size; condensed for labels on narrow buttons.
QFont labelFont(qreal pixelSize, bool condensed = true);

// A rounded button plate filling rect, in the look asked for. Returns the
// rectangle its content goes in (moved down a pixel while pressed).
QRectF drawPlate(QPainter &p, const QRectF &rect, qreal radius, const Plate &plate, Look look);

// Text centred in rect at pixelSize, shrunk until it fits its width (never
// below 6.5 pixels).
void drawFittedText(QPainter &p, const QRectF &rect, const QString &text, qreal pixelSize, const QColor &ink,
    bool condensed = true);

// Line icons drawn into a square box: pen colour ink, stroke scaled to the box.
using Icon = std::function<void(QPainter &, const QRectF &, const QColor &)>;
namespace icons {
void handset(QPainter &p, const QRectF &box, const QColor &ink); // lifted: make a call
void handsetDown(QPainter &p, const QRectF &box, const QColor &ink); // put down: end a call
void clearAll(QPainter &p, const QRectF &box, const QColor &ink); // a circled cross
void backspace(QPainter &p, const QRectF &box, const QColor &ink);
void book(QPainter &p, const QRectF &box, const QColor &ink);
void clock(QPainter &p, const QRectF &box, const QColor &ink);
void pause(QPainter &p, const QRectF &box, const QColor &ink);
void forward(QPainter &p, const QRectF &box, const QColor &ink);
void transfer(QPainter &p, const QRectF &box, const QColor &ink);
void noEntry(QPainter &p, const QRectF &box, const QColor &ink);
void cross(QPainter &p, const QRectF &box, const QColor &ink);
void minus(QPainter &p, const QRectF &box, const QColor &ink);
void speaker(QPainter &p, const QRectF &box, const QColor &ink);
void microphone(QPainter &p, const QRectF &box, const QColor &ink);
void personPlus(QPainter &p, const QRectF &box, const QColor &ink);
void server(QPainter &p, const QRectF &box, const QColor &ink);
} // namespace icons

// One picture file: its name (without ".png"), its size at 1x, and how to
// draw it in that coordinate space on an image of any scale.
struct Picture {
    QString name;
    QSize size;
    std::function<void(QPainter &)> draw;
    // Backgrounds: the body's outline at 1x; every pixel outside it is the
    // transparent colour, with no opacity, at every scale. Empty for the
    // button pictures.
    std::function<QImage()> outline;
};

void addBackgrounds(std::vector<Picture> &out);
void addButtons(std::vector<Picture> &out);

// The picture drawn at a whole scale (1 or 2), its pixels device pixels.
QImage render(const Picture &picture, int scale);

} // namespace skingen
