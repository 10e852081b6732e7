#include "skin/PictureRegion.h"

#include <QWidget>

#include <cmath>
#include <vector>

namespace ralu::skin {

namespace {

bool sameSpans(const std::vector<QRect> &a, const std::vector<QRect> &b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (a[i].left() != b[i].left() || a[i].width() != b[i].width())
            return false;
    return true;
}

// The union of one-pixel-high runs, handed over in one go: top-down, with
// rows of equal runs joined into one band, the form QRegion keeps.
QRegion unionOfRows(std::vector<std::vector<QRect>> &rows)
{
    std::vector<QRect> bands;
    std::size_t bandStart = 0; // first rectangle of the last band
    const std::vector<QRect> *previous = nullptr;
    for (const std::vector<QRect> &runs : rows) {
        if (previous && !runs.empty() && sameSpans(runs, *previous)) {
            for (std::size_t i = bandStart; i < bands.size(); ++i)
                bands[i].setHeight(bands[i].height() + 1);
        } else {
            bandStart = bands.size();
            bands.insert(bands.end(), runs.begin(), runs.end());
        }
        previous = runs.empty() ? nullptr : &runs;
    }
    QRegion region;
    if (!bands.empty())
        region.setRects(bands.data(), static_cast<int>(bands.size()));
    return region;
}

} // namespace

bool PictureRegion::scanPicture(const QImage &picture, quint32 &transColour)
{
    m_region = QRegion();
    m_offset = QPoint();
    if (picture.isNull() || picture.width() <= 0 || picture.height() <= 0)
        return false;
    // 32-bit pixels read straight from the image's rows, whatever its format.
    const QImage pixels = picture.convertToFormat(QImage::Format_RGB32);
    const int width = pixels.width();
    const int height = pixels.height();
    auto row = [&pixels](int y) { return reinterpret_cast<const QRgb *>(pixels.constScanLine(y)); };
    if (transColour == kDetectColour)
        transColour = colourKey(row(height - 1)[0]);

    // Bottom row first, runs left to right.
    std::vector<std::vector<QRect>> rows(static_cast<std::size_t>(height));
    for (int y = height - 1; y >= 0; --y) {
        const QRgb *line = row(y);
        std::vector<QRect> &runs = rows[static_cast<std::size_t>(y)];
        int x = 0;
        while (x < width) {
            while (x < width && colourKey(line[x]) == transColour)
                ++x;
            const int start = x;
            while (x < width && colourKey(line[x]) != transColour)
                ++x;
            if (x > start)
                runs.emplace_back(start, y, x - start, 1);
        }
    }
    m_region = unionOfRows(rows);
    return true;
}

QPoint PictureRegion::frameOffset(QSize outer, QSize inner)
{
    const double frame = std::nearbyint((outer.width() - inner.width()) / 2.0); // halves to even
    const double top = std::nearbyint(outer.height() - inner.height() - frame);
    return QPoint(static_cast<int>(frame), static_cast<int>(top));
}

void PictureRegion::offsetHeader(const QWidget &window)
{
    if (window.windowFlags() & Qt::FramelessWindowHint)
        return;
    m_offset = frameOffset(window.frameGeometry().size(), window.size());
    m_region.translate(m_offset);
}

void PictureRegion::applyTo(QWidget &window) const
{
    // The window system keeps the frame outside the mask, so the region goes
    // back to client coordinates, lined up with the client area.
    // An empty mask would mean no mask at all; a mask wholly outside the
    // window keeps an all-transparent picture's window invisible.
    window.setMask(m_region.isEmpty() ? QRegion(-1, -1, 1, 1) : m_region.translated(-m_offset));
}

} // namespace ralu::skin
