// Start-up on a machine without any sound: no sound card and no sound server
// (ALSA reads an empty configuration, PulseAudio is nowhere to be found). The
// window still comes up and registers, the missing sound is reported once,
// and dialing is refused without a call going out. And a SIP stack that
// cannot start for want of its folder says so, not that sound is missing.
#include "../unit/qt_printers.h"
#include "E2eSupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <optional>

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

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

// The immutable flag: a folder that not even root can write into (ext4 and
// the like, with CAP_LINUX_IMMUTABLE). False where it cannot be set.
bool setImmutable(const QString &folder, bool on)
{
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY);
    int flags = 0;
    bool ok = fd >= 0 && ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    flags = on ? flags | FS_IMMUTABLE_FL : flags & ~FS_IMMUTABLE_FL;
    ok = ok && ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    if (fd >= 0)
        ::close(fd);
    return ok;
}

} // namespace

TEST(SipStackStartE2e, AFolderItCannotMakeOrWriteIsNamedInsteadOfTheSoundCard)
{
    QTemporaryDir dir;
    const QString readOnly = dir.filePath(QStringLiteral("read-only"));
    const QString plainFile = dir.filePath(QStringLiteral("plain-file"));
    ASSERT_TRUE(QDir().mkdir(readOnly) && writeFile(plainFile, "x"));
    const bool canLock = setImmutable(readOnly, true);
    const std::shared_ptr<void> unlock(nullptr, [&](void *) { setImmutable(readOnly, false); });
    const std::pair<QString, QString> cases[] = {
        { readOnly, QStringLiteral("the folder %1 is not writable").arg(readOnly) },
        { plainFile, QStringLiteral("the folder %1 cannot be made (File exists)").arg(plainFile) },
    };
    for (const auto &[data, why] : cases) {
        if (data == readOnly && !canLock) {
            std::printf("no immutable folders here: the read-only case is not run\n");
            continue;
        }
        IniSettingsStore store(dir.filePath(QStringLiteral("settings.ini")));
        LoginValues v;
        v.strUserName = v.strAccountNumber = QStringLiteral("1001");
        v.strPassword = v.strAccountPassword = QStringLiteral("demo1001");
        v.strLoginSIPIP = QStringLiteral("127.0.0.1");
        ASSERT_TRUE(SavedLogin(store, QStringLiteral("ralu")).saveProfile(v));
        LinphoneRtcClient rtc(data + QStringLiteral("/sip"));
        ralu::testing::FakeMessageBoxes boxes;
        SystemClock clock;
        Softphone app(&rtc, boxes, store, QStringLiteral("ralu"), dir.path(), clock);
        ASSERT_TRUE(app.start());
        ASSERT_EQ(boxes.shown.size(), 1u);
        EXPECT_EQ(
            boxes.shown[0].text, QStringLiteral("Cannot start the SIP stack: ") + why + QLatin1Char('.'));
        EXPECT_EQ(app.engine().statusText(), QStringLiteral("SIP stack not started"));
        app.window().hide();
    }
}

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
        phone.engine().setNumberText(QStringLiteral("5551234"));
        phone.app().dialer().makeCall();
        ASSERT_EQ(phone.boxes().shown.size(), 2u + attempt);
        EXPECT_EQ(phone.boxes().shown.back().text, kSoundCard);
        EXPECT_EQ(phone.boxes().shown.back().icon, MessageBoxes::Icon::Information);
    }
    pump(500);
    EXPECT_TRUE(log.requests(QStringLiteral("INVITE")).isEmpty()) << log.raw().toStdString();
    EXPECT_FALSE(phone.engine().hasCurrentCall());
    EXPECT_EQ(phone.status(), QStringLiteral("Registered and Ready..."));
    EXPECT_FALSE(phone.historyText().contains(QStringLiteral("5551234")));
}
