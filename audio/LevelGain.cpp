#include "audio/LevelGain.h"

#include <cmath>

namespace ralu {

namespace {
constexpr double kFullLevel = 65535.0;
}

float levelToGainDb(long level)
{
    if (level <= 0)
        return kSilentGainDb;
    if (level >= long(kFullLevel))
        return 0.0f;
    return float(10.0 * std::log10(double(level) / kFullLevel));
}

long gainDbToLevel(float gainDb)
{
    if (std::isnan(gainDb) || gainDb <= kSilentGainDb)
        return 0;
    if (gainDb >= 0.0f)
        return long(kFullLevel);
    return std::lround(kFullLevel * std::pow(10.0, double(gainDb) / 10.0));
}

} // namespace ralu
