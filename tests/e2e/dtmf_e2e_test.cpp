// Touch tones against the real provider: pad clicks during a connected call
// reach the far end (SIPp) as RFC 2833 telephone events, read back from a
// tshark capture on lo; outside a connected call they are played locally
// through DTMF.WAV and nothing goes out.
#include "../unit/qt_printers.h"
#include "E2eSupport.h"
#include "LoopbackCapture.h"
#include "calls/Dialer.h"
#include "calls/LocalTonePlayer.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QTest>
#include <gtest/gtest.h>

using namespace ralu;
using namespace ralu::e2e;

namespace {

const QStringList kFarEnd { "-i", "127.0.0.1", "-p", "5070", "-mi", "127.0.0.1", "-mp", "16000", "-m", "1",
    "-rtp_echo", "-set", "ring_ms", "1500" };
constexpr int kFarEndMediaPort = 16000;
const QString kCaptureFilter = QStringLiteral("udp port 5060 or udp port 5070 or udp portrange 16000-16001");

// Which key's tone resource the file holds, byte for byte ("Tone7.wav"...),
// else a short description of it.
QString toneIn(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("<no file>");
    const QByteArray bytes = file.readAll();
    for (const auto &[character, name] : kPadButtons) {
        const QString tone = Dialer::toneName(QLatin1Char(character));
        if (!bytes.isEmpty() && bytes == LocalTonePlayer::toneResource(tone))
            return tone;
    }
    return QStringLiteral("<%1 bytes, no key's tone>").arg(bytes.size());
}

struct DtmfFixture : ::testing::Test {
    std::unique_ptr<Phone> phone;
    QString boxAtDisconnect;

    void SetUp() override
    {
        phone = std::make_unique<Phone>(QStringLiteral("1001"), QStringLiteral("demo1001"));
        ASSERT_TRUE(phone->start());
        ASSERT_TRUE(phone->waitForStatus(QStringLiteral("Registered and Ready..."), 5000))
            << phone->status().toStdString();
        QObject::connect(&phone->engine(), &CallEngine::statusTextChanged, [this](const QString &s) {
            if (s == QLatin1String("Disconnected"))
                boxAtDisconnect = box()->text();
        });
    }

    QLineEdit *box() const { return phone->app().window().numberBox(); }
    QString scratchFile() const { return QDir(phone->folder()).filePath(QStringLiteral("DTMF.WAV")); }

    // A real mouse click on the key's pad button, then time for its tone.
    void click(char key)
    {
        ASSERT_TRUE(clickPadKey(*phone, key)) << key;
        pump(350);
    }
};

} // namespace

TEST_F(DtmfFixture, PadKeysDuringAConnectedCallReachTheFarEndAsTelephoneEvents)
{
    LoopbackCapture capture(kCaptureFilter);
    ASSERT_TRUE(capture.started()) << capture.log().toStdString();
    Sipp farEnd(QStringLiteral("farend-answer.xml"), kFarEnd);
    pump(300);

    box()->setText(QStringLiteral("5551234"));
    QTest::keyClick(box(), Qt::Key_Return);
    // The dialing sound was played here, digit by digit: the last one is left.
    EXPECT_EQ(toneIn(scratchFile()), QStringLiteral("Tone4.wav"));

    // Ringing: the status line is not "Connected", so the key sounds here.
    ASSERT_TRUE(phone->waitForStatus(QStringLiteral("Inprogress"), 5000)) << phone->status().toStdString();
    click('7');
    ASSERT_EQ(phone->status(), QStringLiteral("Inprogress")) << "still ringing";
    EXPECT_EQ(toneIn(scratchFile()), QStringLiteral("Tone7.wav"));

    ASSERT_TRUE(phone->waitForStatus(QStringLiteral("Connected"), 8000)) << phone->status().toStdString();
    pump(500); // media flowing
    for (char key : { '1', '9', '*', '0', '#', '5' })
        click(key);
    EXPECT_EQ(phone->status(), QStringLiteral("Connected"));
    EXPECT_EQ(box()->text(), QStringLiteral("55512347") + QStringLiteral("19*0#5"));
    // Nothing was played here while connected: the file still holds the 7.
    EXPECT_EQ(toneIn(scratchFile()), QStringLiteral("Tone7.wav"));

    phone->app().dialer().endButton();
    ASSERT_TRUE(phone->waitForStatus(QStringLiteral("Registered and Ready.."), 5000))
        << phone->status().toStdString();
    EXPECT_EQ(boxAtDisconnect, QStringLiteral("5551234719*0#5"));
    EXPECT_TRUE(farEnd.waitFinished(5000));
    EXPECT_EQ(farEnd.exitCode(), 0) << farEnd.output().toStdString();

    // 1, 9, star (10), 0, pound (11), 5, each ended; the ringing 7 never left.
    EXPECT_EQ(capture.eventsTo(kFarEndMediaPort),
        (QStringList { "1+end", "9+end", "10+end", "0+end", "11+end", "5+end" }))
        << capture.log().toStdString();
}

TEST_F(DtmfFixture, PadKeysOutsideACallPlayLocallyAndSendNothing)
{
    LoopbackCapture capture(kCaptureFilter);
    ASSERT_TRUE(capture.started()) << capture.log().toStdString();
    QFile::remove(scratchFile());

    click('3');
    EXPECT_EQ(toneIn(scratchFile()), QStringLiteral("Tone3.wav"));
    click('#');
    EXPECT_EQ(QFileInfo(scratchFile()).size(), 684);
    EXPECT_EQ(toneIn(scratchFile()), QStringLiteral("Tonepnd.wav"));
    EXPECT_EQ(box()->text(), QStringLiteral("3#"));
    EXPECT_EQ(phone->status(), QStringLiteral("Registered and Ready..."));

    EXPECT_EQ(capture.eventPackets(), 0) << capture.log().toStdString();
}
