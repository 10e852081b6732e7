// The client's sound levels during a real call: the far end sends back what
// it gets (SIPp's RTP echo), Ralu plays a tone file as its microphone and
// records what it plays. Lowering the speaker level lowers what is played,
// and level 0 plays silence. (The microphone level cannot be heard this way:
// with a file as the microphone, mediastreamer leaves the send side's gain
// out of the chain.)
#include "E2eSupport.h"
#include "audio/WavePcm.h"

#include <QFile>
#include <QLineEdit>
#include <QTest>
#include <gtest/gtest.h>

#include <cmath>

using namespace ralu;
using namespace ralu::e2e;

namespace {

const QStringList kFarEnd { "-i", "127.0.0.1", "-p", "5070", "-mi", "127.0.0.1", "-mp", "16000", "-m", "1",
    "-rtp_echo" };

// Root mean square of the 16-bit mono samples between two fractions of the file.
double rms(const QByteArray &samples, double from, double to)
{
    const int count = int(samples.size() / 2);
    const int first = int(count * from), last = int(count * to);
    double sum = 0;
    for (int i = first; i < last; ++i) {
        const auto v = double(qint16(quint8(samples[2 * i]) | quint8(samples[2 * i + 1]) << 8));
        sum += v * v;
    }
    return last > first ? std::sqrt(sum / (last - first)) : 0.0;
}

} // namespace

TEST(SoundLevels, SpeakerLevelDuringACallLowersWhatIsPlayed)
{
    Phone phone(QStringLiteral("1001"), QStringLiteral("demo1001"));
    ASSERT_TRUE(phone.start());
    ASSERT_TRUE(phone.waitForStatus(QStringLiteral("Registered and Ready..."), 5000));
    Sipp farEnd(QStringLiteral("farend-answer.xml"), kFarEnd);
    pump(300);
    QLineEdit *box = phone.app().window().numberBox();
    box->setText(QStringLiteral("5551234"));
    QTest::keyClick(box, Qt::Key_Return);
    ASSERT_TRUE(phone.waitForStatus(QStringLiteral("Connected"), 8000));

    // Three equal stretches: the speaker full, at a tenth, at 0.
    constexpr int kStretchMs = 2500;
    RtcClient &rtc = phone.rtc();
    ASSERT_TRUE(rtc.putVolume(RTCAD_SPEAKER, 65535));
    pump(kStretchMs);
    ASSERT_TRUE(rtc.putVolume(RTCAD_SPEAKER, 6554));
    pump(kStretchMs);
    ASSERT_TRUE(rtc.putVolume(RTCAD_SPEAKER, 0));
    pump(kStretchMs);
    phone.app().dialer().endButton();
    ASSERT_TRUE(phone.waitForStatus(QStringLiteral("Registered and Ready.."), 8000));

    QFile file(phone.folder() + QStringLiteral("/received.wav"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    // The recorder counts its 44-byte header into the data chunk's length, so
    // the file reads as cut short: the canonical header is checked, the rest
    // taken as the samples.
    QByteArray header = bytes.left(44);
    header.replace(40, 4, QByteArray(4, '\0'));
    const auto format = readWave(header);
    ASSERT_TRUE(format && format->format.bitsPerSample == 16 && format->format.channels == 1)
        << bytes.left(44).toHex().toStdString();
    const QByteArray samples = bytes.mid(44);
    // The middles of the stretches, clear of when each change took effect.
    const double full = rms(samples, 0.10, 0.28);
    const double tenth = rms(samples, 0.43, 0.60);
    const double silent = rms(samples, 0.77, 0.93);
    ASSERT_GT(full, 1000.0) << "the echo of the tone is heard at full level";
    EXPECT_NEAR(tenth / full, 0.1, 0.03) << full << " then " << tenth;
    EXPECT_EQ(silent, 0.0) << "level 0 is silence";
}
