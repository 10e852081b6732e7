// Build-time generator of the dial pad's key tones: writes TONE0.WAV ..
// TONE9.WAV, TONESTAR.WAV and TONEPND.WAV into the folder given as its only
// argument. Each is a complete 684-byte RIFF WAVE file: 8000 Hz, 8-bit
// unsigned mono, 640 samples (80 ms) of the key's two DTMF sines added
// together, each of amplitude 31.5 and starting at phase 0, centred on 128.
#include "audio/WavePcm.h"

#include <QFile>

#include <cmath>
#include <cstdio>

namespace {

constexpr int kRate = 8000;
constexpr int kSamples = 640;
constexpr double kAmplitude = 31.5;

struct Tone {
    const char *file;
    int low; // row frequency, Hz
    int high; // column frequency, Hz
};

const Tone kTones[] = {
    { "TONE1.WAV", 697, 1209 },
    { "TONE2.WAV", 697, 1336 },
    { "TONE3.WAV", 697, 1477 },
    { "TONE4.WAV", 770, 1209 },
    { "TONE5.WAV", 770, 1336 },
    { "TONE6.WAV", 770, 1477 },
    { "TONE7.WAV", 852, 1209 },
    { "TONE8.WAV", 852, 1336 },
    { "TONE9.WAV", 852, 1477 },
    { "TONESTAR.WAV", 941, 1209 },
    { "TONE0.WAV", 941, 1336 },
    { "TONEPND.WAV", 941, 1477 },
};

QByteArray samples(const Tone &tone)
{
    const double pi = std::acos(-1.0);
    QByteArray out;
    out.reserve(kSamples);
    for (int n = 0; n < kSamples; ++n) {
        const double t = static_cast<double>(n) / kRate;
        const double v = kAmplitude * (std::sin(2 * pi * tone.low * t) + std::sin(2 * pi * tone.high * t));
        long sample = 128 + std::lround(v);
        if (sample < 64)
            sample = 64;
        if (sample > 191)
            sample = 191;
        out.append(static_cast<char>(sample));
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
        const QString path = QFile::decodeName(argv[1]) + QLatin1Char('/') + QLatin1String(tone.file);
        const QByteArray bytes = ralu::waveFileBytes(ralu::WaveFormat { 1, kRate, 8 }, samples(tone));
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.flush()) {
            std::fprintf(stderr, "%s: %s\n", qPrintable(path), qPrintable(file.errorString()));
            return 1;
        }
    }
    return 0;
}
