// Sound in calls, both ways, against the local provider with a real far end:
// baresip answers on the telephone network side and sends a 1000 Hz tone;
// Ralu uses its default sound devices, which are those of a PulseAudio of
// the test's own (the speaker a null sink read back from its monitor, the
// microphone a 700 Hz tone). Measured: the tone on Ralu's speaker and how a
// lower speaker level quietens it, the tone the far end receives from
// Ralu's microphone and how a lower microphone level quietens it, and touch
// tones arriving as telephone events. The measured figures are printed.
#include "../BaresipFarEnd.h"
#include "../E2eSupport.h"
#include "PulseAudioServer.h"
#include "ToneMeter.h"

#include <QElapsedTimer>
#include <QLineEdit>
#include <QTest>
#include <gtest/gtest.h>

#include <cmath>
#include <iostream>

using namespace ralu;
using namespace ralu::e2e;

namespace {

constexpr int kFarEndToneHz = 1000;
constexpr int kMicToneHz = 700;
// The ring-back's 440 + 480 Hz pair crosses zero at 460 Hz, and both lie
// within the tone meter's 5 % of it.
constexpr int kRingbackHz = 460;
const QString kFarEndNumber = QStringLiteral("5551234");

// Thresholds: generous, for a loaded machine.
constexpr double kFrequencyTolerance = 0.05; // of the expected frequency
// The tones are sent at -9 dBFS RMS; the microphone's arrives about 15 dB
// lower (the capture path's noise suppression takes a steady tone for noise).
constexpr double kLoudEnoughDbfs = -35;
constexpr double kToneShareDb = -3; // at least half the power near the tone's frequency
constexpr double kQuieterByDb = 6;
constexpr long kLowLevel = 8192; // a quarter of the middle level (32768)

void print(const char *what, const ToneReading &r)
{
    std::cout << "[ measured ] " << what << ": " << r.describe().toStdString() << std::endl;
    ::testing::Test::RecordProperty(what, r.describe().toStdString());
}

void expectTone(const ToneReading &r, double hz, const QString &context)
{
    EXPECT_NEAR(r.frequencyHz, hz, hz * kFrequencyTolerance) << context.toStdString();
    EXPECT_GT(r.rmsDbfs, kLoudEnoughDbfs) << context.toStdString();
    EXPECT_GT(r.shareDb, kToneShareDb) << context.toStdString();
}

struct AudioFixture : ::testing::Test {
    // One sound server for the whole process: liblinphone's PulseAudio
    // connection, once made, lasts as long as the process.
    static inline std::unique_ptr<PulseAudioServer> pulse;
    std::unique_ptr<BaresipFarEnd> farEnd;
    std::unique_ptr<Phone> phone;

    static void SetUpTestSuite()
    {
        pulse = std::make_unique<PulseAudioServer>(kMicToneHz);
        if (!pulse->start())
            std::cerr << "PulseAudio did not start:\n" << pulse->log().toStdString() << std::endl;
    }
    static void TearDownTestSuite() { pulse.reset(); }

    void SetUp() override
    {
        ASSERT_FALSE(qEnvironmentVariableIsEmpty("PULSE_SERVER")) << pulse->log().toStdString();
        PeerSetup setup; // the telephone network's side, answering at once
        setup.user = kFarEndNumber;
        setup.toneHz = kFarEndToneHz;
        farEnd = std::make_unique<BaresipFarEnd>(setup);
        ASSERT_TRUE(farEnd->start()) << farEnd->log().toStdString();
        phone = std::make_unique<Phone>(QStringLiteral("1001"), QStringLiteral("demo1001"),
            QStringLiteral("127.0.0.1"), PhoneAudio::Devices);
        ASSERT_TRUE(phone->start());
        ASSERT_TRUE(phone->waitForStatus(QStringLiteral("Registered and Ready..."), 5000))
            << phone->status().toStdString();
    }

    void TearDown() override
    {
        phone.reset();
        farEnd.reset();
    }

    // Dials the far end from the number box and waits until sound flows.
    void callFarEnd()
    {
        QLineEdit *box = phone->app().window().numberBox();
        box->setText(kFarEndNumber);
        QTest::keyClick(box, Qt::Key_Return);
        ASSERT_TRUE(phone->waitForStatus(QStringLiteral("Connected"), 8000))
            << phone->status().toStdString() << "\n"
            << farEnd->log().toStdString();
        pump(1000);
    }

    void hangUp()
    {
        phone->app().dialer().endButton();
        ASSERT_TRUE(phone->waitForStatus(QStringLiteral("Registered and Ready.."), 5000))
            << phone->status().toStdString();
    }

    QString diagnostics() const { return pulse->streams() + QStringLiteral("\n") + farEnd->log(); }
};

} // namespace

TEST_F(AudioFixture, FarEndToneIsHeardOnTheSpeakerAndALowerSpeakerLevelQuietensIt)
{
    ASSERT_NO_FATAL_FAILURE(callFarEnd());
    const ToneReading normal
        = measureTone(samplesOf(pulse->recordSpeaker(2000)), PulseAudioServer::kRate, kFarEndToneHz);
    print("far end tone on the speaker", normal);
    expectTone(normal, kFarEndToneHz, diagnostics());

    long level = -1;
    ASSERT_TRUE(phone->rtc().getVolume(RTCAD_SPEAKER, &level));
    ASSERT_GT(level, kLowLevel * 2) << "the speaker starts well above the low level";
    ASSERT_TRUE(phone->rtc().putVolume(RTCAD_SPEAKER, kLowLevel));
    pump(300);
    const ToneReading low
        = measureTone(samplesOf(pulse->recordSpeaker(2000)), PulseAudioServer::kRate, kFarEndToneHz);
    print("far end tone on the speaker at a low speaker level", low);
    std::cout << "[ measured ] speaker level " << level << " -> " << kLowLevel << ": "
              << normal.rmsDbfs - low.rmsDbfs << " dB quieter" << std::endl;
    EXPECT_NEAR(low.frequencyHz, kFarEndToneHz, kFarEndToneHz * kFrequencyTolerance) << "still the tone";
    EXPECT_GE(normal.rmsDbfs - low.rmsDbfs, kQuieterByDb);
    hangUp();
}

TEST_F(AudioFixture, MicrophoneToneReachesTheFarEndAndALowerMicrophoneLevelQuietensIt)
{
    ASSERT_NO_FATAL_FAILURE(callFarEnd());
    pump(3000);
    long level = -1;
    ASSERT_TRUE(phone->rtc().getVolume(RTCAD_MICROPHONE, &level));
    ASSERT_GT(level, kLowLevel * 2) << "the microphone starts well above the low level";
    ASSERT_TRUE(phone->rtc().putVolume(RTCAD_MICROPHONE, kLowLevel));
    pump(3000);
    const QString streams = pulse->streams();
    hangUp();
    farEnd->stop(); // closes its recording

    // The far end's recording ends with three seconds at the low level
    // (less the time sound takes to get there); the second before the last
    // four is at the starting level.
    const QByteArray pcm = farEnd->receivedPcm();
    const int second = BaresipFarEnd::kRate * 2;
    ASSERT_GE(pcm.size(), 5 * second) << farEnd->recordingFolder().toStdString() << "\n"
                                      << streams.toStdString();
    const ToneReading normal
        = measureTone(samplesOf(pcm.mid(pcm.size() - 5 * second, second)), BaresipFarEnd::kRate, kMicToneHz);
    const ToneReading low = measureTone(samplesOf(pcm.right(2 * second)), BaresipFarEnd::kRate, kMicToneHz);
    print("microphone tone at the far end", normal);
    print("microphone tone at the far end at a low microphone level", low);
    std::cout << "[ measured ] microphone level " << level << " -> " << kLowLevel << ": "
              << normal.rmsDbfs - low.rmsDbfs << " dB quieter" << std::endl;
    expectTone(normal, kMicToneHz, streams + QStringLiteral("\n") + farEnd->log());
    EXPECT_NEAR(low.frequencyHz, kMicToneHz, kMicToneHz * kFrequencyTolerance) << "still the tone";
    EXPECT_GE(normal.rmsDbfs - low.rmsDbfs, kQuieterByDb);
}

TEST_F(AudioFixture, PadKeysInACallReachTheFarEndAsTelephoneEventsInOrder)
{
    ASSERT_NO_FATAL_FAILURE(callFarEnd());
    const QString keys = QStringLiteral("19*0#5");
    for (QChar key : keys) {
        ASSERT_TRUE(clickPadKey(*phone, key.toLatin1()));
        pump(350);
    }
    waitUntil([&] { return farEnd->receivedDigits().size() >= keys.size(); }, 3000);
    std::cout << "[ measured ] telephone events at the far end: " << farEnd->receivedDigits().toStdString()
              << std::endl;
    EXPECT_EQ(farEnd->receivedDigits(), keys) << farEnd->log().toStdString();
    hangUp();
}

// While the far end rings the caller hears the ring-back tone (440 + 480
// Hz); once it answers, or sends early media (a 183 with SDP), the far end
// instead: SIPp here, which sends back Ralu's 700 Hz microphone once
// answered, and a recording of its own as early media.
TEST_F(AudioFixture, RingBackIsHeardWhileTheFarEndRingsUntilItAnswersOrSendsEarlyMedia)
{
    farEnd.reset(); // the telephone network's side is SIPp's for these calls
    for (const bool early : { false, true }) {
        SCOPED_TRACE(early ? "early media" : "answered");
        Sipp sipp(early ? QStringLiteral("farend-early-media.xml") : QStringLiteral("farend-answer.xml"),
            { "-i", "127.0.0.1", "-p", "5070", "-mi", "127.0.0.1", "-mp", "16000", "-m", "1",
                early ? "-trace_err" : "-rtp_echo", "-set", "ring_ms", "2000" });
        pump(300);
        QElapsedTimer sinceDial;
        sinceDial.start();
        QLineEdit *box = phone->app().window().numberBox();
        box->setText(kFarEndNumber);
        QTest::keyClick(box, Qt::Key_Return);
        pump(600);
        const ToneReading ringback
            = measureTone(samplesOf(pulse->recordSpeaker(1200)), PulseAudioServer::kRate, kRingbackHz);
        // The 183 comes at 2 s, the answer at 4 s; the answer without one at 2 s.
        waitUntil([&] { return sinceDial.elapsed() > 2800; }, 3000);
        const ToneReading after
            = measureTone(samplesOf(pulse->recordSpeaker(1000)), PulseAudioServer::kRate, kRingbackHz);
        print(early ? "ring-back before early media" : "ring-back before the answer", ringback);
        print(early ? "early media, near the ring-back's frequencies"
                    : "the answered call, near the ring-back's frequencies",
            after);
        expectTone(ringback, kRingbackHz, pulse->streams());
        EXPECT_GT(after.rmsDbfs, -55) << "the far end is heard";
        if (!early) { // the echo of the microphone's tone
            EXPECT_NEAR(after.frequencyHz, kMicToneHz, kMicToneHz * kFrequencyTolerance);
        }
        EXPECT_LT(after.shareDb, -10) << "and no ring-back with it";
        EXPECT_EQ(phone->status(), early ? QStringLiteral("Inprogress") : QStringLiteral("Connected"));
        ASSERT_TRUE(phone->waitForStatus(QStringLiteral("Connected"), 5000)) << phone->status().toStdString();
        hangUp();
        EXPECT_TRUE(sipp.waitFinished(5000));
    }
}
