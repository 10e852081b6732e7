// WAVE files for liblinphone's local player, which reads 16-bit PCM only: an
// 8-bit file (the key tones) comes out as a burst of noise. An 8-bit PCM file
// is therefore played from a 16-bit copy with the same samples.
#pragma once

#include <QByteArray>
#include <optional>

namespace ralu {

// The 16-bit signed PCM copy of an 8-bit unsigned PCM WAVE file: same rate,
// channels and samples, each sample (v - 128) * 256. Nothing for any other
// file (16-bit already, another coding, or not a WAVE file).
std::optional<QByteArray> sixteenBitCopyOfEightBitWave(const QByteArray &wav);

} // namespace ralu
