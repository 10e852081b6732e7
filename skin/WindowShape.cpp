#include "skin/WindowShape.h"

#include <QRect>
#include <QWidget>

#include <algorithm>
#include <cmath>

namespace ralu::skin {

namespace {

constexpr int kInset = 10;
constexpr int kBottomCut = 45;
constexpr double kCornerWidth = 150;
constexpr double kCornerHeight = 100;

} // namespace

QRegion roundedOutline(QSize window)
{
    const QRect box(QPoint(kInset, kInset), QPoint(window.width() - 1, window.height() - kBottomCut - 1));
    QRegion region;
    if (box.isEmpty())
        return region;
    const double rx = std::min(kCornerWidth, double(box.width())) / 2;
    const double ry = std::min(kCornerHeight, double(box.height())) / 2;
    const double left = box.left();
    const double right = box.left() + box.width();
    const double top = box.top();
    const double bottom = box.top() + box.height();
    for (int y = box.top(); y <= box.bottom(); ++y) {
        // Distance of the row's centre into a corner band, along the ellipse's axis.
        const double centre = y + 0.5;
        const double into = std::max({ 0.0, top + ry - centre, centre - (bottom - ry) });
        const double inset = rx - rx * std::sqrt(std::max(0.0, 1 - (into / ry) * (into / ry)));
        const int from = static_cast<int>(std::lround(left + inset));
        const int to = static_cast<int>(std::lround(right - inset));
        if (to > from)
            region += QRect(from, y, to - from, 1);
    }
    return region;
}

void shapeForm(QWidget *window)
{
    window->setMask(roundedOutline(window->size()));
}

} // namespace ralu::skin
