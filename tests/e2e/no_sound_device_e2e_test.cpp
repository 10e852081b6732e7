// Start-up on a machine without any sound: no sound card and no sound server
// (ALSA reads an empty configuration, PulseAudio is nowhere to be found). The
// window still comes up and registers, the missing sound is reported once,
// and dialing is refused without a call going out.
#include "../unit/CallEngineTestAccess.h"
#include "../unit/qt_printers.h"
#include "E2eSupport.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <map>
#include <optional>

using namespace ralu;
using namespace ralu::e2e;

namespace {

const QString kSoundCard = QStringLiteral("Install Suitable Sound Card ");

// Sets environment variables (a null value unsets one) and puts the previous
// values back when it goes.
class ScopedEnvironment {
public:
    explicit ScopedEnvironment(const std::map<QByteArray, std::optional<QByteArray>> &values)
    {
        for (const auto &[name, value] : values) {
            m_saved[name] = qEnvironmentVariableIsSet(name.constData())
                ? std::optional<QByteArray>(qgetenv(name.constData()))
                : std::nullopt;
            set(name, value);
        }
    }
    ~ScopedEnvironment()
    {
        for (const auto &[name, value] : m_saved)
            set(name, value);
    }

private:
    static void set(const QByteArray &name, const std::optional<QByteArray> &value)
    {
        if (value)
            qputenv(name.constData(), *value);
        else
            qunsetenv(name.constData());
    }
    std::map<QByteArray, std::optional<QByteArray>> m_saved;
};

bool writeFile(const QString &path, const QByteArray &text)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(text) == text.size();
}

} // namespace

TEST(NoSoundDeviceE2e, StartsRegisteredReportsOnceAndRefusesToDial)
{
    QTemporaryDir nowhere;
    ASSERT_TRUE(nowhere.isValid());
    const QString alsaConfig = nowhere.filePath(QStringLiteral("asound.conf"));
    const QString pulseConfig = nowhere.filePath(QStringLiteral("client.conf"));
    ASSERT_TRUE(writeFile(alsaConfig, QByteArray()));
    ASSERT_TRUE(writeFile(pulseConfig, "autospawn = no\n"));
    ScopedEnvironment env({
        { "ALSA_CONFIG_PATH", QFile::encodeName(alsaConfig) },
        { "PULSE_CLIENTCONFIG", QFile::encodeName(pulseConfig) },
        { "XDG_RUNTIME_DIR", QFile::encodeName(nowhere.path()) },
        { "PULSE_RUNTIME_PATH", QFile::encodeName(nowhere.path()) },
        { "PULSE_SERVER", std::nullopt },
        { "DISPLAY", std::nullopt },
    });

    ProviderLog log;
    Phone phone(
        QStringLiteral("1001"), QStringLiteral("demo1001"), QStringLiteral("127.0.0.1"), PhoneAudio::Devices);
    ASSERT_TRUE(phone.start());
    EXPECT_TRUE(phone.app().window().isVisible());
    ASSERT_TRUE(phone.waitForStatus(QStringLiteral("Registered and Ready..."), 10000))
        << phone.status().toStdString();
    EXPECT_FALSE(phone.rtc().hasSoundDevices());
    ASSERT_NE(phone.app().mixer(), nullptr);
    EXPECT_FALSE(phone.app().mixer()->hasVolumeControl(63)) << "no card, no mixer lines";

    ASSERT_EQ(phone.boxes().shown.size(), 1u);
    EXPECT_EQ(phone.boxes().shown[0].text, kSoundCard);
    EXPECT_EQ(phone.boxes().shown[0].icon, MessageBoxes::Icon::None);
    EXPECT_TRUE(phone.app().state().blnSoundFunError);

    for (int attempt = 0; attempt < 2; ++attempt) {
        phone.engine().presenter().setNumberText(QStringLiteral("5551234"));
        phone.app().dialer().makeCall();
        ASSERT_EQ(phone.boxes().shown.size(), 2u + attempt);
        EXPECT_EQ(phone.boxes().shown.back().text, kSoundCard);
        EXPECT_EQ(phone.boxes().shown.back().icon, MessageBoxes::Icon::Information);
    }
    pump(500);
    EXPECT_TRUE(log.requests(QStringLiteral("INVITE")).isEmpty()) << log.raw().toStdString();
    EXPECT_FALSE(CallEngineTestAccess::currentSession(phone.engine()));
    EXPECT_EQ(phone.status(), QStringLiteral("Registered and Ready..."));
    EXPECT_FALSE(phone.historyText().contains(QStringLiteral("5551234")));
}
