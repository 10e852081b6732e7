#include "audio/WavePcm.h"

namespace ralu {

namespace {

constexpr quint16 kPcm = 1;

quint32 le32(const QByteArray &b, qsizetype at)
{
    return quint32(quint8(b[at])) | quint32(quint8(b[at + 1])) << 8 | quint32(quint8(b[at + 2])) << 16
        | quint32(quint8(b[at + 3])) << 24;
}

quint16 le16(const QByteArray &b, qsizetype at)
{
    return quint16(quint8(b[at]) | quint8(b[at + 1]) << 8);
}

void put16(QByteArray &out, quint16 v)
{
    out.append(char(v & 0xff));
    out.append(char(v >> 8));
}

void put32(QByteArray &out, quint32 v)
{
    for (int i = 0; i < 4; ++i)
        out.append(char((v >> (8 * i)) & 0xff));
}

} // namespace

QByteArray waveFileBytes(const WaveFormat &format, const QByteArray &samples)
{
    const quint32 size = quint32(samples.size());
    const quint32 pad = size & 1;
    const quint16 blockAlign = quint16(format.channels * ((format.bitsPerSample + 7) / 8));
    QByteArray out;
    out.reserve(44 + samples.size() + pad);
    out.append("RIFF", 4);
    put32(out, 36 + size + pad);
    out.append("WAVEfmt ", 8);
    put32(out, 16);
    put16(out, kPcm);
    put16(out, format.channels);
    put32(out, format.sampleRate);
    put32(out, format.sampleRate * blockAlign); // bytes per second
    put16(out, blockAlign);
    put16(out, format.bitsPerSample);
    out.append("data", 4);
    put32(out, size);
    out.append(samples);
    if (pad)
        out.append('\0');
    return out;
}

std::optional<WavePcm> readWave(const QByteArray &wav)
{
    if (wav.size() < 12 || !wav.startsWith("RIFF") || wav.mid(8, 4) != "WAVE")
        return std::nullopt;
    WavePcm pcm;
    bool haveFormat = false;
    quint16 coding = 0;
    qsizetype at = 12;
    while (at + 8 <= wav.size()) {
        const QByteArray id = wav.mid(at, 4);
        const quint32 size = le32(wav, at + 4);
        const qsizetype body = at + 8;
        if (qint64(size) > wav.size() - body)
            return std::nullopt; // cut short
        if (id == "fmt " && size >= 16) {
            coding = le16(wav, body);
            pcm.format.channels = le16(wav, body + 2);
            pcm.format.sampleRate = le32(wav, body + 4);
            pcm.format.bitsPerSample = le16(wav, body + 14);
            haveFormat = true;
        } else if (id == "data") {
            if (!haveFormat || coding != kPcm || pcm.format.channels == 0 || pcm.format.bitsPerSample == 0)
                return std::nullopt;
            pcm.samples = wav.mid(body, qsizetype(size));
            return pcm;
        }
        at = body + size + (size & 1);
    }
    return std::nullopt;
}

std::optional<QByteArray> sixteenBitCopyOfEightBitWave(const QByteArray &wav)
{
    const auto pcm = readWave(wav);
    if (!pcm || pcm->format.bitsPerSample != 8)
        return std::nullopt;
    QByteArray samples;
    samples.reserve(2 * pcm->samples.size());
    for (const char v : pcm->samples)
        put16(samples, quint16(qint16((int(quint8(v)) - 128) * 256)));
    WaveFormat format = pcm->format;
    format.bitsPerSample = 16;
    return waveFileBytes(format, samples);
}

} // namespace ralu
