// A sound level of the RTC client (0 to 65535) as the software gain the SIP
// stack applies to the microphone or the speaker signal.
//
// The level is the amplitude factor level / 65535: 65535 leaves the signal
// as it is, 32768 halves it, 0 silences it. Liblinphone takes the gain in
// its own "dB", which mediastreamer turns into the amplitude factor
// 10^(dB / 10) (measured on mediastreamer 5.1: -10 gives 0.1, -20 gives
// 0.01), so the gain is 10 * log10(level / 65535). Silence is a gain low
// enough that the factor is exactly 0 in single precision. Every level comes
// back unchanged from its gain, also after the gain went through the
// configuration file's six decimals.
#pragma once

namespace ralu {

// Gain for level 0: 10^(-100) is 0 as a float.
inline constexpr float kSilentGainDb = -1000.0f;

float levelToGainDb(long level); // levels beyond 0..65535 are clamped
long gainDbToLevel(float gainDb); // gains above 0 give 65535

} // namespace ralu
