// The 16-bit copy of an 8-bit WAVE file that the local player is given.
#include "audio/WavePcm.h"
#include "qt_printers.h"

#include <QFile>
#include <gtest/gtest.h>

using namespace ralu;

namespace {

quint32 le32(const QByteArray &b, int at)
{
    return quint32(quint8(b[at])) | quint32(quint8(b[at + 1])) << 8 | quint32(quint8(b[at + 2])) << 16
        | quint32(quint8(b[at + 3])) << 24;
}

quint16 le16(const QByteArray &b, int at)
{
    return quint16(quint8(b[at]) | quint8(b[at + 1]) << 8);
}

qint16 sample16(const QByteArray &b, int at)
{
    return qint16(le16(b, at));
}

// A PCM WAVE file built field by field, with optional extra chunks before
// the data.
QByteArray wave(quint16 channels, quint32 rate, quint16 bits, const QByteArray &data,
    const QByteArray &chunksBeforeData = QByteArray())
{
    auto u32 = [](quint32 v) {
        QByteArray out;
        for (int i = 0; i < 4; ++i)
            out.append(char((v >> (8 * i)) & 0xff));
        return out;
    };
    auto u16 = [](quint16 v) { return QByteArray().append(char(v & 0xff)).append(char(v >> 8)); };
    const quint16 align = quint16(channels * bits / 8);
    QByteArray body = "WAVEfmt " + u32(16) + u16(1) + u16(channels) + u32(rate) + u32(rate * align)
        + u16(align) + u16(bits) + chunksBeforeData + "data" + u32(quint32(data.size())) + data;
    if (data.size() % 2)
        body.append('\0');
    return "RIFF" + u32(quint32(body.size())) + body;
}

} // namespace

TEST(WavePcm, EightBitKeyToneBecomesSixteenBitWithTheSameSamples)
{
    QFile file(QStringLiteral(":/tones/TONE5.WAV"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray tone = file.readAll();
    ASSERT_EQ(tone.size(), 684);

    const auto copy = sixteenBitCopyOfEightBitWave(tone);
    ASSERT_TRUE(copy.has_value());
    ASSERT_EQ(copy->size(), 44 + 1280);
    EXPECT_EQ(copy->mid(0, 4), QByteArray("RIFF"));
    EXPECT_EQ(le32(*copy, 4), quint32(copy->size() - 8));
    EXPECT_EQ(copy->mid(8, 8), QByteArray("WAVEfmt "));
    EXPECT_EQ(le32(*copy, 16), 16u);
    EXPECT_EQ(le16(*copy, 20), 1u);
    EXPECT_EQ(le16(*copy, 22), 1u);
    EXPECT_EQ(le32(*copy, 24), 8000u);
    EXPECT_EQ(le32(*copy, 28), 16000u);
    EXPECT_EQ(le16(*copy, 32), 2u);
    EXPECT_EQ(le16(*copy, 34), 16u);
    EXPECT_EQ(copy->mid(36, 4), QByteArray("data"));
    EXPECT_EQ(le32(*copy, 40), 1280u);
    for (int i = 0; i < 640; ++i)
        ASSERT_EQ(sample16(*copy, 44 + 2 * i), (int(quint8(tone[44 + i])) - 128) * 256) << "sample " << i;
}

TEST(WavePcm, ExtremesMapToTheFullSixteenBitRange)
{
    const QByteArray data { "\x00\x80\xff\x01", 4 };
    const auto copy = sixteenBitCopyOfEightBitWave(wave(1, 11025, 8, data));
    ASSERT_TRUE(copy.has_value());
    ASSERT_EQ(copy->size(), 44 + 8);
    EXPECT_EQ(sample16(*copy, 44), -32768);
    EXPECT_EQ(sample16(*copy, 46), 0);
    EXPECT_EQ(sample16(*copy, 48), 32512);
    EXPECT_EQ(sample16(*copy, 50), -32512);
    EXPECT_EQ(le32(*copy, 24), 11025u);
    EXPECT_EQ(le32(*copy, 28), 22050u);
}

TEST(WavePcm, StereoWithOtherChunksBeforeTheData)
{
    // An odd-length chunk (padded) and a list chunk ahead of the samples.
    const QByteArray extra = QByteArray("odd ") + QByteArray("\x03\x00\x00\x00", 4) + QByteArray("abc\0", 4)
        + QByteArray("LIST") + QByteArray("\x04\x00\x00\x00", 4) + QByteArray("INFO");
    const QByteArray data { "\x10\x20\xf0\xe0\x80", 5 };
    const auto copy = sixteenBitCopyOfEightBitWave(wave(2, 8000, 8, data, extra));
    ASSERT_TRUE(copy.has_value());
    EXPECT_EQ(le16(*copy, 22), 2u);
    EXPECT_EQ(le32(*copy, 28), 32000u);
    EXPECT_EQ(le16(*copy, 32), 4u);
    EXPECT_EQ(le32(*copy, 40), 10u);
    ASSERT_EQ(copy->size(), 44 + 10);
    const int expected[]
        = { (0x10 - 128) * 256, (0x20 - 128) * 256, (0xf0 - 128) * 256, (0xe0 - 128) * 256, 0 };
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(sample16(*copy, 44 + 2 * i), expected[i]) << i;
}

TEST(WavePcm, OtherFilesAreLeftAlone)
{
    EXPECT_FALSE(sixteenBitCopyOfEightBitWave(wave(1, 8000, 16, QByteArray(64, '\1'))).has_value());
    EXPECT_FALSE(sixteenBitCopyOfEightBitWave(QByteArray()).has_value());
    EXPECT_FALSE(sixteenBitCopyOfEightBitWave(QByteArray("RIFF\x04\x00\x00\x00WAVE", 12)).has_value());
    EXPECT_FALSE(sixteenBitCopyOfEightBitWave(QByteArray(684, 'x')).has_value());
    // A data chunk that claims more bytes than the file has.
    QByteArray cut = wave(1, 8000, 8, QByteArray(100, '\x80'));
    cut.chop(50);
    EXPECT_FALSE(sixteenBitCopyOfEightBitWave(cut).has_value());
    // Samples before any format chunk.
    EXPECT_FALSE(
        sixteenBitCopyOfEightBitWave(QByteArray("RIFF\x10\x00\x00\x00WAVEdata\x02\x00\x00\x00\x80\x80", 22))
            .has_value());
}

TEST(WavePcm, WriterLaysOutThePlainHeaderAndPadsOddData)
{
    const struct {
        quint16 channels;
        quint32 rate;
        quint16 bits;
        QByteArray data;
    } cases[] = {
        { 1, 8000, 8, QByteArray(640, '\x80') },
        { 2, 11025, 16, QByteArray("\x01\x02\x03\x04\x05\x06\x07\x08", 8) },
        { 1, 8000, 8, QByteArray("\x10\x20\x30", 3) }, // odd: one pad byte
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.data.size());
        const QByteArray written = waveFileBytes(WaveFormat { c.channels, c.rate, c.bits }, c.data);
        EXPECT_EQ(written, wave(c.channels, c.rate, c.bits, c.data));
        EXPECT_EQ(le32(written, 40), quint32(c.data.size())) << "the pad byte is not data";
    }
}

TEST(WavePcm, ReaderGivesFormatAndSamplesOfPcmFilesOnly)
{
    const QByteArray extra = QByteArray("LIST") + QByteArray("\x04\x00\x00\x00", 4) + QByteArray("INFO");
    const QByteArray data { "\x01\x00\xff\x7f\x00\x80", 6 };
    const auto pcm = readWave(wave(1, 16000, 16, data, extra));
    ASSERT_TRUE(pcm.has_value());
    EXPECT_EQ(pcm->format.channels, 1u);
    EXPECT_EQ(pcm->format.sampleRate, 16000u);
    EXPECT_EQ(pcm->format.bitsPerSample, 16u);
    EXPECT_EQ(pcm->samples, data);

    QByteArray floats = wave(1, 8000, 32, QByteArray(8, '\0'));
    floats[20] = 3; // IEEE float coding
    QByteArray noChannels = wave(1, 8000, 8, QByteArray(4, '\x80'));
    noChannels[22] = 0;
    QByteArray cut = wave(1, 8000, 16, QByteArray(100, '\1'));
    cut.chop(10);
    const QByteArray noData
        = QByteArray("RIFF\x1c\x00\x00\x00WAVEfmt ", 16) + wave(1, 8000, 8, {}).mid(16, 20);
    for (const QByteArray &bad :
        { floats, noChannels, cut, noData, QByteArray("RIFF"), QByteArray(44, '\0') })
        EXPECT_FALSE(readWave(bad).has_value()) << bad.toHex().toStdString();
}
