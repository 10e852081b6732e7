// The key tones: the twelve WAVE resources checked against the format and,
// with a Goertzel filter, against their two DTMF frequencies; the lookup by
// tone name; the scratch file DTMF.WAV and the player it is handed to.
#include "FakeMessageBoxes.h"
#include "FakeRtcClient.h"
#include "audio/WavePcm.h"
#include "calls/Dialer.h"
#include "calls/KeyTones.h"
#include "calls/LocalTonePlayer.h"
#include "qt_printers.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cmath>
#include <gtest/gtest.h>

using namespace ralu;
using namespace ralu::testing;

namespace {

struct Key {
    char character;
    const char *resource;
    double low, high;
};

const Key kKeys[] = {
    { '1', "TONE1.WAV", 697, 1209 },
    { '2', "TONE2.WAV", 697, 1336 },
    { '3', "TONE3.WAV", 697, 1477 },
    { '4', "TONE4.WAV", 770, 1209 },
    { '5', "TONE5.WAV", 770, 1336 },
    { '6', "TONE6.WAV", 770, 1477 },
    { '7', "TONE7.WAV", 852, 1209 },
    { '8', "TONE8.WAV", 852, 1336 },
    { '9', "TONE9.WAV", 852, 1477 },
    { '*', "TONESTAR.WAV", 941, 1209 },
    { '0', "TONE0.WAV", 941, 1336 },
    { '#', "TONEPND.WAV", 941, 1477 },
};

const double kDtmfFrequencies[] = { 697, 770, 852, 941, 1209, 1336, 1477, 1633 };

// Amplitude of the component at frequency f (Hz) in samples taken at rate,
// by the Goertzel recurrence: 2|X(f)|/N.
double goertzelAmplitude(const std::vector<double> &x, double f, double rate)
{
    const double w = 2 * M_PI * f / rate;
    const double coeff = 2 * std::cos(w);
    double s1 = 0, s2 = 0;
    for (double v : x) {
        const double s0 = v + coeff * s1 - s2;
        s2 = s1;
        s1 = s0;
    }
    const double re = s1 - s2 * std::cos(w);
    const double im = s2 * std::sin(w);
    return 2 * std::sqrt(re * re + im * im) / double(x.size());
}

// At most 64 KiB: enough for any tone, and bounded for devices that never end.
QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.read(65536) : QByteArray();
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// Records what it was asked to play and what the file held at that moment.
struct RecordingPlayer : SoundPlayer {
    QStringList played;
    QList<QByteArray> contents;
    bool result = true;
    bool playFile(const QString &path) override
    {
        played << path;
        contents << readFile(path);
        return result;
    }
};

} // namespace

TEST(ToneResources, EveryKeyIsA684ByteEightBitMonoWave)
{
    for (const Key &key : kKeys) {
        SCOPED_TRACE(key.resource);
        const QByteArray wav = readFile(QStringLiteral(":/tones/") + QLatin1String(key.resource));
        ASSERT_EQ(wav.size(), 684);
        const auto pcm = readWave(wav);
        ASSERT_TRUE(pcm.has_value());
        EXPECT_EQ(pcm->format.channels, 1u);
        EXPECT_EQ(pcm->format.sampleRate, 8000u);
        EXPECT_EQ(pcm->format.bitsPerSample, 8u);
        ASSERT_EQ(pcm->samples.size(), 640);
        EXPECT_EQ(wav, waveFileBytes(pcm->format, pcm->samples)) << "the plain 44-byte header";
        EXPECT_EQ(quint8(pcm->samples[0]), 128) << "both sines start at phase 0";
        int lowest = 255, highest = 0;
        for (const char v : pcm->samples) {
            lowest = std::min(lowest, int(quint8(v)));
            highest = std::max(highest, int(quint8(v)));
        }
        EXPECT_GE(lowest, 64);
        EXPECT_LE(highest, 191);
        // Two sines of 31.5 come close to their full swing of 63 either way.
        EXPECT_LE(lowest, 70);
        EXPECT_GE(highest, 186);
    }
}

TEST(ToneResources, EveryKeySoundsItsTwoFrequenciesOnly)
{
    for (const Key &key : kKeys) {
        SCOPED_TRACE(key.resource);
        const QByteArray wav = readFile(QStringLiteral(":/tones/") + QLatin1String(key.resource));
        const auto pcm = readWave(wav);
        ASSERT_TRUE(pcm.has_value());
        ASSERT_EQ(pcm->samples.size(), 640);
        std::vector<double> x;
        for (const char v : pcm->samples)
            x.push_back(double(quint8(v)) - 128.0);
        for (double f : kDtmfFrequencies) {
            const double a = goertzelAmplitude(x, f, 8000);
            if (f == key.low || f == key.high) {
                EXPECT_NEAR(a, 31.5, 2.0) << f << " Hz";
            } else {
                EXPECT_LT(a, 4.0) << f << " Hz";
            }
        }
        // Sample by sample: the two sines at phase 0, within rounding.
        double worst = 0;
        for (size_t n = 0; n < x.size(); ++n) {
            const double t = double(n) / 8000;
            const double ideal
                = 31.5 * (std::sin(2 * M_PI * key.low * t) + std::sin(2 * M_PI * key.high * t));
            worst = std::max(worst, std::abs(x[n] - ideal));
        }
        EXPECT_LE(worst, 1.0);
    }
}

TEST(ToneResources, LookupByToneNameIgnoresLetterCase)
{
    for (const Key &key : kKeys) {
        const QString toneName = Dialer::toneName(QLatin1Char(key.character));
        SCOPED_TRACE(toneName.toStdString());
        const QByteArray expected = readFile(QStringLiteral(":/tones/") + QLatin1String(key.resource));
        ASSERT_EQ(expected.size(), 684);
        EXPECT_EQ(LocalTonePlayer::toneResource(toneName), expected);
        EXPECT_EQ(LocalTonePlayer::toneResource(toneName.toUpper()), expected);
        EXPECT_EQ(LocalTonePlayer::toneResource(toneName.toLower()), expected);
    }
    EXPECT_EQ(LocalTonePlayer::toneResource(QStringLiteral("Tone1.wav")),
        readFile(QStringLiteral(":/tones/TONE1.WAV")));
    EXPECT_NE(LocalTonePlayer::toneResource(QStringLiteral("Tone1.wav")),
        LocalTonePlayer::toneResource(QStringLiteral("Tone2.wav")));
    EXPECT_TRUE(LocalTonePlayer::toneResource(QStringLiteral("Tone10.wav")).isEmpty());
    EXPECT_TRUE(LocalTonePlayer::toneResource(QStringLiteral("DTMF.WAV")).isEmpty());
    EXPECT_TRUE(LocalTonePlayer::toneResource(QString()).isEmpty());
}

TEST(LocalTonePlayerTest, WritesTheToneToDtmfWavThenPlaysThatFile)
{
    QTemporaryDir dir;
    RecordingPlayer player;
    LocalTonePlayer tones(dir.path(), &player);
    const QString scratch = dir.filePath(QStringLiteral("DTMF.WAV"));
    EXPECT_EQ(tones.scratchFile(), scratch);
    ASSERT_FALSE(QFile::exists(scratch));

    tones.play(QStringLiteral("Tone5.wav"));
    ASSERT_EQ(player.played, QStringList { scratch });
    const QByteArray five = readFile(QStringLiteral(":/tones/TONE5.WAV"));
    ASSERT_EQ(five.size(), 684);
    EXPECT_EQ(player.contents.value(0), five) << "written before it is played";
    EXPECT_EQ(readFile(scratch), five);

    // Every key in turn: the file holds exactly the last one.
    for (const Key &key : kKeys) {
        tones.play(Dialer::toneName(QLatin1Char(key.character)));
        EXPECT_EQ(readFile(scratch), readFile(QStringLiteral(":/tones/") + QLatin1String(key.resource)))
            << key.resource;
    }
    EXPECT_EQ(player.played.size(), 13);
    EXPECT_EQ(player.played.count(scratch), 13);
}

TEST(LocalTonePlayerTest, LongerFileLeftBySomethingElseEndsUpAsTheTone)
{
    QTemporaryDir dir;
    RecordingPlayer player;
    LocalTonePlayer tones(dir.path(), &player);
    const QString scratch = dir.filePath(QStringLiteral("DTMF.WAV"));
    ASSERT_TRUE(writeFile(scratch, QByteArray(2000, 'x')));
    tones.play(QStringLiteral("Tonepnd.wav"));
    EXPECT_EQ(readFile(scratch), readFile(QStringLiteral(":/tones/TONEPND.WAV")));
}

TEST(LocalTonePlayerTest, UnknownToneLeavesThePreviousToneAndStillPlaysIt)
{
    QTemporaryDir dir;
    RecordingPlayer player;
    LocalTonePlayer tones(dir.path(), &player);
    const QString scratch = dir.filePath(QStringLiteral("DTMF.WAV"));
    tones.play(QStringLiteral("Tonestar.wav"));
    const QByteArray star = readFile(QStringLiteral(":/tones/TONESTAR.WAV"));
    ASSERT_EQ(readFile(scratch), star);

    tones.play(QStringLiteral("Tone10.wav"));
    ASSERT_EQ(player.played, (QStringList { scratch, scratch }));
    EXPECT_EQ(player.contents.value(1), star);
    EXPECT_EQ(readFile(scratch), star);
}

TEST(LocalTonePlayerTest, FailedWriteStillPlays)
{
    // The application folder is gone: nothing can be written.
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("missing"));
    RecordingPlayer player;
    player.result = false; // and nothing can be played either: still silent
    LocalTonePlayer tones(folder, &player);
    tones.play(QStringLiteral("Tone1.wav"));
    EXPECT_EQ(player.played, QStringList { QDir(folder).filePath(QStringLiteral("DTMF.WAV")) });
    EXPECT_FALSE(QFile::exists(folder));

    // A device that refuses every byte written.
    if (QFile::exists(QStringLiteral("/dev/full"))) {
        QTemporaryDir full;
        ASSERT_TRUE(QFile::link(QStringLiteral("/dev/full"), full.filePath(QStringLiteral("DTMF.WAV"))));
        RecordingPlayer second;
        LocalTonePlayer refused(full.path(), &second);
        refused.play(QStringLiteral("Tone2.wav"));
        EXPECT_EQ(second.played.size(), 1);
    }
}

TEST(LocalTonePlayerTest, WithoutPlayerTheFileIsStillWritten)
{
    QTemporaryDir dir;
    LocalTonePlayer tones(dir.path(), nullptr);
    tones.play(QStringLiteral("tone9.WAV"));
    EXPECT_EQ(
        readFile(dir.filePath(QStringLiteral("DTMF.WAV"))), readFile(QStringLiteral(":/tones/TONE9.WAV")));
}

TEST(LocalTonePlayerTest, KeyTonesPlayLocallyOnlyWhenNotConnected)
{
    AppState state;
    FakeRtcClient rtc;
    FakeMessageBoxes boxes;
    CallEngine engine { state, &rtc };
    ASSERT_TRUE(engine.initializeRTC());
    QTemporaryDir dir;
    RecordingPlayer player;
    LocalTonePlayer local(dir.path(), &player);
    KeyTones tones { engine, [&](const QString &t) { local.play(t); } };
    const QString scratch = dir.filePath(QStringLiteral("DTMF.WAV"));

    engine.presenter().setStatusText(QStringLiteral("Connected")); // a text is no call
    tones.playDtmf(QStringLiteral("Tone7.wav"));
    EXPECT_EQ(readFile(scratch), readFile(QStringLiteral(":/tones/TONE7.WAV")));
    EXPECT_EQ(player.played.size(), 1);
    EXPECT_TRUE(rtc.dtmf.empty());

    rtc.connectedCallFrom("sip:201@host");
    tones.playDtmf(QStringLiteral("Tone8.wav"));
    EXPECT_EQ(rtc.dtmf, std::vector<RtcDtmf> { RTC_DTMF_8 });
    EXPECT_EQ(player.played.size(), 1) << "nothing played locally in a connected call";
    EXPECT_EQ(readFile(scratch), readFile(QStringLiteral(":/tones/TONE7.WAV"))) << "scratch file untouched";
}
