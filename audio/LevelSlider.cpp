#include "audio/LevelSlider.h"

#include <cmath>
#include <cstdint>
#include <limits>

namespace ralu {

namespace {

bool fitsInt32(double value)
{
    return std::isfinite(value) && value >= double(std::numeric_limits<std::int32_t>::min())
        && value <= double(std::numeric_limits<std::int32_t>::max());
}

} // namespace

double LevelSlider::roundHalfEven(double value)
{
    const double down = std::floor(value);
    const double rest = value - down;
    if (rest > 0.5)
        return down + 1;
    if (rest < 0.5)
        return down;
    return std::fmod(down, 2.0) == 0 ? down : down + 1;
}

std::optional<int> LevelSlider::knobTopForLevel(long level, const SliderTrack &track, ClampOrder order)
{
    const double height = track.trackHeight;
    const double offset = roundHalfEven(height - height / double(kMaxLevel) * double(level));
    const double top = double(track.trackTop) + offset;
    if (!fitsInt32(top))
        return std::nullopt;
    int knobTop = int(top);
    auto clampTop = [&] {
        if (knobTop < track.trackTop)
            knobTop = track.trackTop;
    };
    auto clampBottom = [&] {
        if (track.bottomBound() < knobTop)
            knobTop = track.bottomBound();
    };
    if (order == ClampOrder::TopThenBottom) {
        clampTop();
        clampBottom();
    } else {
        clampBottom();
        clampTop();
    }
    return knobTop;
}

void LevelSlider::press(int button, double y)
{
    if (button != kLeftButtonOnly)
        return;
    const double grab = roundHalfEven(y);
    m_grabY = fitsInt32(grab) ? int(grab) : 0;
}

std::optional<long> LevelSlider::levelForKnobTop(int knobTop, const SliderTrack &track)
{
    const int travel = track.trackHeight - track.knobHeight;
    if (travel == 0)
        return std::nullopt; // the division has no result
    const double level = roundHalfEven(
        double(kMaxLevel) - double(kMaxLevel) / double(travel) * (double(knobTop) - double(track.trackTop)));
    if (!fitsInt32(level))
        return std::nullopt;
    return long(level);
}

std::optional<LevelSlider::Drag> LevelSlider::drag(
    int buttons, int knobTop, double y, const SliderTrack &track) const
{
    if (buttons != kLeftButtonOnly)
        return std::nullopt;
    const double moved = double(knobTop) + roundHalfEven(y) - double(m_grabY);
    long long top = fitsInt32(moved) ? (long long)moved : (moved < 0 ? track.trackTop : track.bottomBound());
    if (top <= track.trackTop)
        top = track.trackTop;
    if (track.bottomBound() <= top)
        top = track.bottomBound();
    Drag result;
    result.knobTop = int(top);
    result.level = levelForKnobTop(result.knobTop, track);
    return result;
}

} // namespace ralu
