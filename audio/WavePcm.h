// PCM WAVE files: the program's one reader and writer (key tones at build
// time, the ring, local copies for playback, the tests).
//
// Liblinphone's local player reads 16-bit PCM only: an 8-bit file (the key
// tones) comes out as a burst of noise, so an 8-bit file is played from a
// 16-bit copy with the same samples.
#pragma once

#include <QByteArray>
#include <QtGlobal>

#include <optional>

namespace ralu {

struct WaveFormat {
    quint16 channels = 1;
    quint32 sampleRate = 8000;
    quint16 bitsPerSample = 16; // 8: unsigned samples; 16: signed little-endian
};

struct WavePcm {
    WaveFormat format;
    QByteArray samples; // the data chunk as stored, frames interleaved
};

// A complete canonical file: RIFF header, 16-byte format chunk, data chunk
// (padded to an even length).
QByteArray waveFileBytes(const WaveFormat &format, const QByteArray &samples);

// The format and samples of a PCM WAVE file: chunks in any order, each
// padded to an even length, the format before the data. Nothing for any
// other coding, a file cut short, or not a WAVE file.
std::optional<WavePcm> readWave(const QByteArray &bytes);

// The 16-bit signed PCM copy of an 8-bit unsigned PCM WAVE file: same rate,
// channels and samples, each sample (v - 128) * 256. Nothing for any other
// file (16-bit already, another coding, or not a WAVE file).
std::optional<QByteArray> sixteenBitCopyOfEightBitWave(const QByteArray &wav);

} // namespace ralu
