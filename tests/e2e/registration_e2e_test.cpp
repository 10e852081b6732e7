// Registration against the real provider: what the status line and the
// account label show, and what REGISTER carried on the wire.
#include "../unit/qt_printers.h"
#include "E2eSupport.h"
#include "sip/NssHold.h"

#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <gtest/gtest.h>

#include <dlfcn.h>

using namespace ralu;
using namespace ralu::e2e;

TEST(RegistrationE2e, SavedLoginRegistersWithDigestAndSixHundredSeconds)
{
    ProviderLog log;
    Phone phone(QStringLiteral("1001"), QStringLiteral("demo1001"));
    ASSERT_TRUE(phone.start());
    ASSERT_TRUE(phone.waitForStatus(QStringLiteral("Registered and Ready..."), 5000))
        << phone.status().toStdString();
    EXPECT_EQ(registrationWord(phone.engine().registrationState()), QStringLiteral("REGISTERED"));
    EXPECT_EQ(
        phone.app().window().findChild<QLabel *>(QStringLiteral("lblPin"))->text(), QStringLiteral("1001"));
    EXPECT_EQ(phone.app().window().findChild<QLabel *>(QStringLiteral("lblMsg"))->text(),
        QStringLiteral("Registered and Ready..."));
    EXPECT_TRUE(phone.app().window().isVisible());

    const auto registers = log.requests(QStringLiteral("REGISTER"));
    ASSERT_GE(registers.size(), 2) << log.raw().toStdString();
    const SipRecord &first = registers.first();
    EXPECT_TRUE(first.header(QStringLiteral("Authorization")).isEmpty());
    EXPECT_TRUE(first.header(QStringLiteral("From")).contains(QStringLiteral("sip:1001@127.0.0.1")));
    EXPECT_TRUE(log.localReplies().filter(QStringLiteral("401 REGISTER")).size() >= 1)
        << log.localReplies().join('\n').toStdString();

    const SipRecord &answered = registers.last();
    const QString auth = answered.header(QStringLiteral("Authorization"));
    EXPECT_TRUE(auth.startsWith(QStringLiteral("Digest "))) << auth.toStdString();
    EXPECT_TRUE(auth.contains(QStringLiteral("username=\"1001\""))) << auth.toStdString();
    EXPECT_FALSE(answered.text.contains(QStringLiteral("demo1001"))) << "the password never crosses the wire";
    const QString expires = answered.header(QStringLiteral("Expires"));
    const QString contact = answered.header(QStringLiteral("Contact"));
    EXPECT_TRUE(expires == QStringLiteral("600") || contact.contains(QStringLiteral("expires=600")))
        << answered.text.toStdString();
    // The request went to the provider from a port of Ralu's own, not 5060.
    EXPECT_FALSE(answered.header(QStringLiteral("Via")).contains(QStringLiteral("127.0.0.1:5060")));
    EXPECT_TRUE(phone.boxes().shown.empty());
}

TEST(RegistrationE2e, RegistersWhenTheSipStacksMainLoopCannotBeFound)
{
    // A liblinphone without the functions the core thread sleeps through:
    // the core is iterated at liblinphone's own pace instead.
    LinphoneCoreRunner::setSymbolLookup([](const char *) -> void * { return nullptr; });
    Phone phone(QStringLiteral("1001"), QStringLiteral("demo1001"));
    const bool started = phone.start();
    const bool registered = phone.waitForStatus(QStringLiteral("Registered and Ready..."), 5000);
    LinphoneCoreRunner::setSymbolLookup(nullptr);
    EXPECT_TRUE(started && registered) << phone.status().toStdString();
}

TEST(RegistrationE2e, WrongPasswordEndsInRejected)
{
    Phone phone(QStringLiteral("1002"), QStringLiteral("not-the-password"));
    ASSERT_TRUE(phone.start());
    ASSERT_TRUE(phone.waitForStatus(QStringLiteral("Rejected"), 5000)) << phone.status().toStdString();
    EXPECT_EQ(registrationWord(phone.engine().registrationState()), QStringLiteral("REJECTED"));
    EXPECT_TRUE(phone.engine().accountLabel().isEmpty());
    EXPECT_FALSE(phone.app().state().blnStartupLogin);
}

TEST(RegistrationE2e, PasswordWithXmlSpecialCharactersRegisters)
{
    Phone phone(QStringLiteral("1003"), QStringLiteral("p\"w<&>'d"));
    ASSERT_TRUE(phone.start());
    EXPECT_TRUE(phone.waitForStatus(QStringLiteral("Registered and Ready..."), 5000))
        << phone.status().toStdString();
}

TEST(RegistrationE2e, NoCopyOfThePasswordIsLeftInTheSipFolder)
{
    QString sipFolder;
    {
        Phone phone(QStringLiteral("1002"), QStringLiteral("demo1002"));
        ASSERT_TRUE(phone.start());
        ASSERT_TRUE(phone.waitForStatus(QStringLiteral("Registered and Ready..."), 5000));
        phone.engine().exitProgram();
        sipFolder = phone.rtc().stateDir();
        QDir dir(sipFolder);
        const auto files = dir.entryInfoList(QDir::Files | QDir::Hidden);
        ASSERT_FALSE(files.isEmpty());
        for (const QFileInfo &info : files) {
            QFile file(info.absoluteFilePath());
            ASSERT_TRUE(file.open(QIODevice::ReadOnly));
            EXPECT_FALSE(file.readAll().contains("demo1002")) << info.fileName().toStdString();
        }
        EXPECT_EQ(QFileInfo(sipFolder).permissions() & (QFile::ReadGroup | QFile::ReadOther), 0);
    }
}

TEST(RegistrationE2e, ExitWhileRegisteredShutsDownAndAnotherStartRegistersAgain)
{
    {
        Phone phone(QStringLiteral("1001"), QStringLiteral("demo1001"));
        ASSERT_TRUE(phone.start());
        ASSERT_TRUE(phone.waitForStatus(QStringLiteral("Registered and Ready..."), 5000));
        bool exitAsked = false;
        QObject::connect(&phone.engine(), &CallEngine::exitRequested, [&] { exitAsked = true; });
        QElapsedTimer timer;
        timer.start();
        phone.engine().exitProgram();
        EXPECT_TRUE(exitAsked);
        EXPECT_LT(timer.elapsed(), 3000) << "exit does not wait for the network";
    }
    Phone again(QStringLiteral("1001"), QStringLiteral("demo1001"));
    ASSERT_TRUE(again.start());
    EXPECT_TRUE(again.waitForStatus(QStringLiteral("Registered and Ready..."), 5000));
}

// The SIP stack's SRTP library brings NSS into the process: held, NSS stays
// initialised; let go, it is as it was before.
TEST(NssHold, KeepsNssInitialisedOnlyWhileHeld)
{
    void *nss = ::dlopen("libnss3.so", RTLD_NOW | RTLD_NOLOAD);
    ASSERT_NE(nss, nullptr);
    auto initialized = reinterpret_cast<int (*)()>(::dlsym(nss, "NSS_IsInitialized"));
    ASSERT_NE(initialized, nullptr);
    const int before = initialized();
    {
        const ralu::NssHold hold;
        EXPECT_TRUE(hold.holding());
        EXPECT_TRUE(initialized());
    }
    EXPECT_EQ(initialized(), before);
    ::dlclose(nss);
}
