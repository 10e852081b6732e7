// Measures a recorded tone: its frequency from the zero crossings (the
// median period), its level as RMS in dBFS, and how much of its power lies
// within 5 % of the expected frequency, so that noise or another sound at
// the right level does not pass for the tone.
#pragma once

#include <QByteArray>
#include <QString>
#include <QVector>

namespace ralu::e2e {

struct ToneReading {
    double frequencyHz = 0; // 0 when there are fewer than two rising zero crossings
    double rmsDbfs = -200; // -200 for digital silence or no samples
    double shareDb = -200; // power near the expected frequency against all power, <= 0
    int samples = 0;

    QString describe() const;
};

// 16-bit little-endian mono samples of raw PCM bytes.
QVector<qint16> samplesOf(const QByteArray &pcm);

ToneReading measureTone(const QVector<qint16> &samples, int sampleRate, double expectedHz);

} // namespace ralu::e2e
