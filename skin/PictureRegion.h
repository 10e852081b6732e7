// A window outline cut from a picture: every pixel not in the transparent
// colour belongs to the window. The picture is scanned row by row from the
// bottom up, each run of opaque pixels left to right becoming one
// one-pixel-high rectangle; the outline is their union.
#pragma once

#include <QImage>
#include <QPoint>
#include <QRegion>
#include <QSize>

class QWidget;

namespace ralu::skin {

class PictureRegion {
public:
    // Passed as the transparent colour, asks the scan to take the colour of
    // the picture's bottom-left pixel (and hand it back).
    static constexpr quint32 kDetectColour = 1;

    // A pixel's colour key: red in the high byte, blue in the low one.
    static quint32 colourKey(QRgb pixel) { return pixel & 0xFFFFFFu; }

    // Builds the region; transColour is replaced by the detected key when it
    // is kDetectColour and used unchanged otherwise. False for a picture
    // without pixels: the region is then empty and must not be applied.
    bool scanPicture(const QImage &picture, quint32 &transColour);

    // Frame width and caption-plus-frame height of a window whose outer size
    // (frame included) and inner size are given, in pixels.
    static QPoint frameOffset(QSize outer, QSize inner);
    // Moves the region by the window's frame; a borderless window's region
    // stays where it is.
    void offsetHeader(const QWidget &window);
    // Makes the region the window's mask. The region is in whole-window
    // coordinates (after offsetHeader); the mask is set on the client area.
    void applyTo(QWidget &window) const;

    const QRegion &region() const { return m_region; }

private:
    QRegion m_region;
    QPoint m_offset;
};

} // namespace ralu::skin
