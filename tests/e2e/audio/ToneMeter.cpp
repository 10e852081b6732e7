#include "ToneMeter.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace ralu::e2e {

namespace {

constexpr double kFullScale = 32768.0;
constexpr double kBand = 0.05; // the band around the expected frequency, either side

double dB(double powerRatio)
{
    return powerRatio > 0 ? 10.0 * std::log10(powerRatio) : -200.0;
}

// From the rising zero crossings, each placed between its two samples by
// linear interpolation: the median time between neighbours is the period.
// The median keeps a gap (a lost packet) or a cut from moving it.
double zeroCrossingFrequency(const QVector<qint16> &s, int rate)
{
    std::vector<double> periods;
    double previous = -1;
    for (int i = 1; i < s.size(); ++i) {
        if (s[i - 1] < 0 && s[i] >= 0) {
            const double at = (i - 1) + double(-s[i - 1]) / double(s[i] - s[i - 1]);
            if (previous >= 0)
                periods.push_back(at - previous);
            previous = at;
        }
    }
    if (periods.empty())
        return 0;
    auto middle = periods.begin() + periods.size() / 2;
    std::nth_element(periods.begin(), middle, periods.end());
    return *middle > 0 ? rate / *middle : 0;
}

// The share of the signal's power within [low, high] Hz: the DFT bins of
// the band (each by a Goertzel filter, Hann window) against all bins, which
// by Parseval hold N times the windowed signal's power, half of it in the
// positive frequencies. A tone that drifts within the band keeps its share.
double bandShare(const QVector<qint16> &s, int rate, double low, double high)
{
    const int n = int(s.size());
    if (n < 2)
        return 0;
    QVector<double> x(n);
    double total = 0;
    for (int i = 0; i < n; ++i) {
        x[i] = (0.5 - 0.5 * std::cos(2 * M_PI * i / (n - 1))) * s[i];
        total += x[i] * x[i];
    }
    if (total <= 0)
        return 0;
    double band = 0;
    for (int k = int(std::ceil(low * n / rate)); k <= int(std::floor(high * n / rate)); ++k) {
        const double coeff = 2 * std::cos(2 * M_PI * k / n);
        double q1 = 0, q2 = 0;
        for (double v : x) {
            const double q0 = coeff * q1 - q2 + v;
            q2 = q1;
            q1 = q0;
        }
        band += q1 * q1 + q2 * q2 - coeff * q1 * q2; // |X(k)|^2
    }
    return 2 * band / (double(n) * total);
}

} // namespace

QString ToneReading::describe() const
{
    return QStringLiteral(
        "%1 Hz, %2 dBFS RMS, %3 dB of the power within 5 % of the expected frequency, %4 samples")
        .arg(frequencyHz, 0, 'f', 1)
        .arg(rmsDbfs, 0, 'f', 1)
        .arg(shareDb, 0, 'f', 1)
        .arg(samples);
}

QVector<qint16> samplesOf(const QByteArray &pcm)
{
    QVector<qint16> out(pcm.size() / 2);
    for (int i = 0; i < out.size(); ++i)
        out[i] = qint16(quint8(pcm[2 * i]) | (quint16(quint8(pcm[2 * i + 1])) << 8));
    return out;
}

ToneReading measureTone(const QVector<qint16> &samples, int sampleRate, double expectedHz)
{
    ToneReading r;
    r.samples = int(samples.size());
    if (samples.isEmpty())
        return r;
    double sum = 0;
    for (qint16 v : samples)
        sum += double(v) * v;
    r.rmsDbfs = dB(sum / samples.size() / (kFullScale * kFullScale));
    r.frequencyHz = zeroCrossingFrequency(samples, sampleRate);
    r.shareDb = dB(bandShare(samples, sampleRate, expectedHz * (1 - kBand), expectedHz * (1 + kBand)));
    return r;
}

} // namespace ralu::e2e
