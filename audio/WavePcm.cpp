#include "audio/WavePcm.h"

namespace ralu {

namespace {

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

std::optional<QByteArray> sixteenBitCopyOfEightBitWave(const QByteArray &wav)
{
    if (wav.size() < 12 || !wav.startsWith("RIFF") || wav.mid(8, 4) != "WAVE")
        return std::nullopt;
    quint16 format = 0, channels = 0, bits = 0;
    quint32 rate = 0;
    bool haveFormat = false;
    // Chunks in any order, each padded to an even length.
    qsizetype at = 12;
    while (at + 8 <= wav.size()) {
        const QByteArray id = wav.mid(at, 4);
        const quint32 size = le32(wav, at + 4);
        const qsizetype body = at + 8;
        if (qint64(size) > wav.size() - body)
            return std::nullopt;
        if (id == "fmt " && size >= 16) {
            format = le16(wav, body);
            channels = le16(wav, body + 2);
            rate = le32(wav, body + 4);
            bits = le16(wav, body + 14);
            haveFormat = true;
        } else if (id == "data") {
            if (!haveFormat || format != 1 || bits != 8 || channels == 0)
                return std::nullopt;
            QByteArray out;
            out.reserve(44 + 2 * qsizetype(size));
            out.append("RIFF", 4);
            put32(out, 36 + 2 * size);
            out.append("WAVEfmt ", 8);
            put32(out, 16);
            put16(out, 1);
            put16(out, channels);
            put32(out, rate);
            put32(out, rate * channels * 2);
            put16(out, quint16(channels * 2));
            put16(out, 16);
            out.append("data", 4);
            put32(out, 2 * size);
            for (qsizetype i = 0; i < qsizetype(size); ++i) {
                const qint16 v = qint16((int(quint8(wav[body + i])) - 128) * 256);
                put16(out, quint16(v));
            }
            return out;
        }
        at = body + size + (size & 1);
    }
    return std::nullopt;
}

} // namespace ralu
