// Reads a recording of the sound bench (raw signed 16-bit little-endian,
// 48 kHz, CHANNELS interleaved: every phone's mouth and ear in one stream,
// so all of them share one clock) and prints what bench/sound.sh reports.
//
//   sound_meter delay RAW CHANNELS FROM TO START END
//     each click that starts in channel FROM between START and END seconds,
//     and when it comes out of channel TO: "DELAY <ms> <correlation>" per
//     click (the lag of the best normalised cross-correlation of the click
//     with TO, within a second after it).
//   sound_meter tone RAW CHANNELS CH REF_START REF_END START END
//     a steady tone in channel CH: its level (the median of 20 ms frames
//     between REF_START and REF_END), then between START and END the share
//     of 20 ms frames within 3 dB of that level and the longest run of
//     frames that are not: "TONE <ref_dB> <share_%> <longest_gap_ms> <frames>".
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr int kRate = 48000;
constexpr int kFrame = kRate / 50; // 20 ms

std::vector<float> readChannel(const char *path, int channels, int channel)
{
    std::vector<float> out;
    FILE *f = std::fopen(path, "rb");
    if (!f)
        return out;
    std::vector<int16_t> block(4096 * channels);
    size_t n;
    while ((n = std::fread(block.data(), sizeof(int16_t) * channels, 4096, f)) > 0)
        for (size_t i = 0; i < n; ++i)
            out.push_back(block[i * channels + channel] / 32768.0f);
    std::fclose(f);
    return out;
}

size_t at(double seconds, size_t size)
{
    return std::min(size, size_t(std::max(0.0, seconds) * kRate));
}

double frameDb(const std::vector<float> &x, size_t start)
{
    double sum = 0;
    for (size_t i = start; i < start + kFrame; ++i)
        sum += double(x[i]) * x[i];
    return 10 * std::log10(sum / kFrame + 1e-12);
}

int delay(const std::vector<float> &from, const std::vector<float> &to, double start, double end)
{
    const size_t b = at(start, from.size()), e = at(end, from.size());
    float peak = 0;
    for (size_t i = b; i < e; ++i)
        peak = std::max(peak, std::fabs(from[i]));
    if (peak < 1e-3f) {
        std::fprintf(stderr, "sound_meter: no click between %.1f and %.1f s\n", start, end);
        return 1;
    }
    const size_t quiet = kRate / 5, length = kRate * 30 / 1000, search = kRate;
    size_t lastLoud = 0;
    bool loud = false;
    for (size_t i = b; i < e; ++i) {
        const bool now = std::fabs(from[i]) > 0.3f * peak;
        if (now && !loud && (lastLoud == 0 || i - lastLoud > quiet)) {
            // A click starts: its first 30 ms against the far side, lag by lag.
            const size_t t0 = i > kRate / 200 ? i - kRate / 200 : 0;
            if (t0 + length + search > to.size())
                break;
            double energy = 0;
            for (size_t k = 0; k < length; ++k)
                energy += double(from[t0 + k]) * from[t0 + k];
            double best = 0;
            size_t bestLag = 0;
            double window = 0;
            for (size_t k = 0; k < length; ++k)
                window += double(to[t0 + k]) * to[t0 + k];
            for (size_t lag = 0; lag < search; ++lag) {
                double dot = 0;
                for (size_t k = 0; k < length; ++k)
                    dot += double(from[t0 + k]) * to[t0 + lag + k];
                const double c = dot / std::sqrt(energy * window + 1e-12);
                if (std::fabs(c) > best) {
                    best = std::fabs(c);
                    bestLag = lag;
                }
                window += double(to[t0 + lag + length]) * to[t0 + lag + length]
                    - double(to[t0 + lag]) * to[t0 + lag];
                window = std::max(window, 0.0);
            }
            std::printf("DELAY %.1f %.2f\n", 1000.0 * bestLag / kRate, best);
        }
        if (now)
            lastLoud = i;
        loud = now || (loud && i - lastLoud < quiet);
    }
    return 0;
}

int tone(const std::vector<float> &x, double refStart, double refEnd, double start, double end)
{
    std::vector<double> ref;
    for (size_t i = at(refStart, x.size()); i + kFrame <= at(refEnd, x.size()); i += kFrame)
        ref.push_back(frameDb(x, i));
    if (ref.empty())
        return 1;
    std::nth_element(ref.begin(), ref.begin() + ref.size() / 2, ref.end());
    const double level = ref[ref.size() / 2];
    int frames = 0, good = 0, run = 0, longest = 0;
    for (size_t i = at(start, x.size()); i + kFrame <= at(end, x.size()); i += kFrame) {
        ++frames;
        if (std::fabs(frameDb(x, i) - level) <= 3.0) {
            ++good;
            run = 0;
        } else {
            longest = std::max(longest, ++run);
        }
    }
    std::printf("TONE %.1f %.1f %d %d\n", level, frames ? 100.0 * good / frames : 0.0, longest * 20, frames);
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc == 8 && !std::strcmp(argv[1], "delay")) {
        const int channels = std::atoi(argv[3]);
        return delay(readChannel(argv[2], channels, std::atoi(argv[4])),
            readChannel(argv[2], channels, std::atoi(argv[5])), std::atof(argv[6]), std::atof(argv[7]));
    }
    if (argc == 9 && !std::strcmp(argv[1], "tone")) {
        const int channels = std::atoi(argv[3]);
        return tone(readChannel(argv[2], channels, std::atoi(argv[4])), std::atof(argv[5]),
            std::atof(argv[6]), std::atof(argv[7]), std::atof(argv[8]));
    }
    std::fprintf(stderr,
        "usage: sound_meter delay RAW CHANNELS FROM TO START END\n"
        "       sound_meter tone RAW CHANNELS CH REF_START REF_END START END\n");
    return 2;
}
