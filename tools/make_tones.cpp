// Build-time generator of the dial pad's key tones: writes TONE0.WAV ..
// TONE9.WAV, TONESTAR.WAV and TONEPND.WAV into the folder given as its only
// argument. Each is a complete 684-byte RIFF WAVE file: 8000 Hz, 8-bit
// unsigned mono, 640 samples (80 ms) of the key's two DTMF sines added
// together, each of amplitude 31.5 and starting at phase 0, centred on 128.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr int kRate = 8000;
constexpr int kSamples = 640;
constexpr double kAmplitude = 31.5;

struct Tone {
    const char *file;
    int low;  // row frequency, Hz
    int high; // column frequency, Hz
};

const Tone kTones[] = {
    {"TONE1.WAV", 697, 1209}, {"TONE2.WAV", 697, 1336}, {"TONE3.WAV", 697, 1477},
    {"TONE4.WAV", 770, 1209}, {"TONE5.WAV", 770, 1336}, {"TONE6.WAV", 770, 1477},
    {"TONE7.WAV", 852, 1209}, {"TONE8.WAV", 852, 1336}, {"TONE9.WAV", 852, 1477},
    {"TONESTAR.WAV", 941, 1209}, {"TONE0.WAV", 941, 1336}, {"TONEPND.WAV", 941, 1477},
};

void put16(std::vector<unsigned char> &out, std::uint16_t v)
{
    out.push_back(static_cast<unsigned char>(v & 0xff));
    out.push_back(static_cast<unsigned char>(v >> 8));
}

void put32(std::vector<unsigned char> &out, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<unsigned char>((v >> (8 * i)) & 0xff));
}

void putTag(std::vector<unsigned char> &out, const char *tag)
{
    out.insert(out.end(), tag, tag + 4);
}

std::vector<unsigned char> wave(const Tone &tone)
{
    const double pi = std::acos(-1.0);
    std::vector<unsigned char> out;
    out.reserve(44 + kSamples);
    putTag(out, "RIFF");
    put32(out, 36 + kSamples);
    putTag(out, "WAVE");
    putTag(out, "fmt ");
    put32(out, 16);     // format chunk length
    put16(out, 1);      // PCM
    put16(out, 1);      // mono
    put32(out, kRate);  // samples per second
    put32(out, kRate);  // bytes per second
    put16(out, 1);      // block alignment
    put16(out, 8);      // bits per sample
    putTag(out, "data");
    put32(out, kSamples);
    for (int n = 0; n < kSamples; ++n) {
        const double t = static_cast<double>(n) / kRate;
        const double v = kAmplitude * (std::sin(2 * pi * tone.low * t) + std::sin(2 * pi * tone.high * t));
        long sample = 128 + std::lround(v);
        if (sample < 64)
            sample = 64;
        if (sample > 191)
            sample = 191;
        out.push_back(static_cast<unsigned char>(sample));
    }
    return out;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_FOLDER\n", argv[0]);
        return 2;
    }
    for (const Tone &tone : kTones) {
        const std::string path = std::string(argv[1]) + "/" + tone.file;
        const std::vector<unsigned char> bytes = wave(tone);
        std::FILE *f = std::fopen(path.c_str(), "wb");
        if (!f) {
            std::perror(path.c_str());
            return 1;
        }
        const bool written = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
        if (std::fclose(f) != 0 || !written) {
            std::fprintf(stderr, "%s: write failed\n", path.c_str());
            return 1;
        }
    }
    return 0;
}
