// The settings store, the saved login and the login checks, over a real INI
// file in a temporary folder.
#include "qt_printers.h"
#include "FakeMessageBoxes.h"
#include "account/LoginController.h"
#include "account/SavedLogin.h"
#include "account/SettingsStore.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace ralu;
using namespace ralu::testing;

namespace {

const QStringList kPresets{"sip1.ralu.example ", "sip2.ralu.example ", "sip3.ralu.example ", "127.0.0.1"};

struct LoginFixture : ::testing::Test {
    QTemporaryDir dir;
    IniSettingsStore store{dir.path() + QStringLiteral("/cfg/settings.ini")};
    SavedLogin saved{store, QStringLiteral("ralu")};
    AppState state;
    FakeMessageBoxes boxes;
    int registrations = 0;
    LoginController login{state, saved, boxes, kPresets, [this] { ++registrations; }};

    QString entry(const char *suffix)
    {
        return store.get(QString::fromLatin1(suffix) + QStringLiteral("ralu"), QStringLiteral("Parameters"),
                         QStringLiteral("Validation"), QStringLiteral("<absent>"));
    }
};

} // namespace

TEST_F(LoginFixture, StoreNamesIgnoreCaseAndAbsentEntriesGiveTheDefault)
{
    ASSERT_TRUE(store.save(QStringLiteral("PasswordRalu"), QStringLiteral("Parameters"), QStringLiteral("Validation"),
                           QStringLiteral("a\"b;c=d")));
    EXPECT_EQ(store.get(QStringLiteral("passwordralu"), QStringLiteral("PARAMETERS"), QStringLiteral("validation"),
                        QString()),
              QStringLiteral("a\"b;c=d"));
    // Writing under another spelling updates the same entry.
    ASSERT_TRUE(store.save(QStringLiteral("PASSWORDRALU"), QStringLiteral("parameters"), QStringLiteral("VALIDATION"),
                           QStringLiteral("new")));
    EXPECT_EQ(store.get(QStringLiteral("PasswordRalu"), QStringLiteral("Parameters"), QStringLiteral("Validation"),
                        QString()),
              QStringLiteral("new"));
    EXPECT_EQ(store.get(QStringLiteral("Other"), QStringLiteral("Parameters"), QStringLiteral("Validation"),
                        QStringLiteral("dflt")),
              QStringLiteral("dflt"));
}

TEST_F(LoginFixture, DeletingAnApplicationNameRemovesAllItsSectionsOnly)
{
    store.save(QStringLiteral("SaveRalu"), QStringLiteral("Parameters"), QStringLiteral("Validation"), QStringLiteral("yes"));
    store.save(QStringLiteral("SaveRalu"), QStringLiteral("Other"), QStringLiteral("Key"), QStringLiteral("x"));
    store.save(QStringLiteral("sipipRalu"), QStringLiteral("Parameters"), QStringLiteral("Validation"), QStringLiteral("127.0.0.1"));
    ASSERT_TRUE(store.deleteApp(QStringLiteral("saveralu")));
    EXPECT_EQ(store.get(QStringLiteral("SaveRalu"), QStringLiteral("Parameters"), QStringLiteral("Validation"), QStringLiteral("-")), QStringLiteral("-"));
    EXPECT_EQ(store.get(QStringLiteral("SaveRalu"), QStringLiteral("Other"), QStringLiteral("Key"), QStringLiteral("-")), QStringLiteral("-"));
    EXPECT_EQ(store.get(QStringLiteral("sipipRalu"), QStringLiteral("Parameters"), QStringLiteral("Validation"), QString()),
              QStringLiteral("127.0.0.1"));
}

TEST_F(LoginFixture, StoreFileIsOwnerOnly)
{
    ASSERT_TRUE(store.save(QStringLiteral("PasswordRalu"), QStringLiteral("Parameters"), QStringLiteral("Validation"),
                           QStringLiteral("secret")));
    struct stat info {};
    ASSERT_EQ(::stat(QFile::encodeName(store.filePath()).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    ASSERT_EQ(::stat(QFile::encodeName(QFileInfo(store.filePath()).absolutePath()).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
}

TEST_F(LoginFixture, BlankFieldsAreRefusedAndNothingIsStored)
{
    for (const auto &[account, password] : {std::pair<QString, QString>{"", "pw"}, {"1001", ""}, {"", ""}}) {
        boxes.shown.clear();
        EXPECT_FALSE(login.login(account, password, QStringLiteral("127.0.0.1"), true));
        ASSERT_EQ(boxes.shown.size(), 1u);
        EXPECT_EQ(boxes.shown[0].text, QStringLiteral("Account No. and Password must not be blank"));
        EXPECT_EQ(boxes.shown[0].icon, MessageBoxes::Icon::None);
    }
    EXPECT_FALSE(QFile::exists(store.filePath()));
    EXPECT_EQ(registrations, 0);
}

TEST_F(LoginFixture, BlanksOnlyPassTheEmptyTestAndTrimToNothing)
{
    EXPECT_TRUE(login.login(QStringLiteral("   "), QStringLiteral(" "), QStringLiteral("127.0.0.1"), true));
    EXPECT_TRUE(state.login.strUserName.isEmpty());
    EXPECT_TRUE(state.login.strAccountNumber.isEmpty());
    EXPECT_TRUE(state.login.strDisplayName.isEmpty());
    EXPECT_TRUE(state.login.strPassword.isEmpty());
}

TEST_F(LoginFixture, ValuesAreTrimmedAndTheServerMustBeAPresetExactly)
{
    EXPECT_FALSE(login.login(QStringLiteral(" 1001 "), QStringLiteral(" demo1001 "), QStringLiteral("SIP1.ralu.example"), true));
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, QStringLiteral("Invalid SIP IP/Domain"));
    EXPECT_EQ(boxes.shown[0].icon, MessageBoxes::Icon::Information);
    EXPECT_EQ(state.login.strUserName, QStringLiteral("1001")) << "the trimmed values stay after the refusal";
    EXPECT_FALSE(QFile::exists(store.filePath()));
    EXPECT_EQ(registrations, 0);

    // A preset as listed, with its trailing blank, is taken without it.
    EXPECT_TRUE(login.login(QStringLiteral(" 1001 "), QStringLiteral(" demo1001 "), QStringLiteral("sip2.ralu.example "), true));
    EXPECT_EQ(state.login.strLoginSIPIP, QStringLiteral("sip2.ralu.example"));
    EXPECT_EQ(state.login.strUserName, QStringLiteral("1001"));
    EXPECT_EQ(state.login.strAccountNumber, QStringLiteral("1001"));
    EXPECT_EQ(state.login.strDisplayName, QStringLiteral("1001"));
    EXPECT_EQ(state.login.strPassword, QStringLiteral("demo1001"));
    EXPECT_EQ(state.login.strAccountPassword, QStringLiteral("demo1001"));
    EXPECT_EQ(entry("sipip"), QStringLiteral("sip2.ralu.example"));
    EXPECT_EQ(registrations, 1);
}

TEST_F(LoginFixture, CheckedBoxSavesAllSixEntries)
{
    ASSERT_TRUE(login.login(QStringLiteral("1001"), QStringLiteral("demo1001"), QStringLiteral("127.0.0.1"), true));
    EXPECT_EQ(entry("Password"), QStringLiteral("demo1001"));
    EXPECT_EQ(entry("Save"), QStringLiteral("yes"));
    EXPECT_EQ(entry("Username"), QStringLiteral("1001"));
    EXPECT_EQ(entry("accountnumber"), QStringLiteral("1001"));
    EXPECT_EQ(entry("accountpassword"), QStringLiteral("demo1001"));
    EXPECT_EQ(entry("sipip"), QStringLiteral("127.0.0.1"));

    // The next showing of the window offers the saved login.
    AppState next;
    LoginController again{next, saved, boxes, kPresets, {}};
    const LoginFields fields = again.load();
    EXPECT_EQ(fields.account, QStringLiteral("1001"));
    EXPECT_EQ(fields.password, QStringLiteral("demo1001"));
    EXPECT_EQ(fields.server, QStringLiteral("127.0.0.1"));
    EXPECT_TRUE(fields.saveChecked);
}

TEST_F(LoginFixture, ClearedBoxLeavesNoLoginInTheStoreButLogsIn)
{
    ASSERT_TRUE(login.login(QStringLiteral("1001"), QStringLiteral("demo1001"), QStringLiteral("127.0.0.1"), true));
    ASSERT_TRUE(login.login(QStringLiteral("1002"), QStringLiteral("demo1002"), QStringLiteral("127.0.0.1"), false));
    for (const char *suffix : {"Password", "Save", "Username", "accountnumber", "accountpassword", "sipip"})
        EXPECT_EQ(entry(suffix), QStringLiteral("<absent>")) << suffix;
    EXPECT_EQ(state.login.strUserName, QStringLiteral("1002"));
    EXPECT_EQ(state.login.strPassword, QStringLiteral("demo1002"));
    EXPECT_EQ(state.login.strLoginSIPIP, QStringLiteral("127.0.0.1"));
    EXPECT_EQ(registrations, 2);

    AppState next;
    LoginController again{next, saved, boxes, kPresets, {}};
    const LoginFields fields = again.load();
    EXPECT_TRUE(fields.account.isEmpty());
    EXPECT_EQ(fields.server, QStringLiteral("sip1.ralu.example "));
    EXPECT_TRUE(fields.saveChecked);
}

TEST_F(LoginFixture, UnwritableStoreKeepsTheTypedLoginInMemory)
{
    // The store's folder is a plain file: nothing can be written there.
    QFile blocker(dir.path() + QStringLiteral("/cfg"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    EXPECT_TRUE(login.login(QStringLiteral("1001"), QStringLiteral("demo1001"), QStringLiteral("127.0.0.1"), false));
    EXPECT_EQ(state.login.strUserName, QStringLiteral("1001"));
    EXPECT_EQ(state.login.strPassword, QStringLiteral("demo1001"));
    EXPECT_EQ(registrations, 1);
}

TEST_F(LoginFixture, PartialSavedLoginLeavesTheFieldsEmpty)
{
    saved.saveProfile(LoginValues{QString(), QString(), QStringLiteral("1001"), QStringLiteral("pw"),
                                  QStringLiteral("127.0.0.1"), QStringLiteral("no"), QString()});
    const LoginFields fields = login.load();
    EXPECT_TRUE(fields.account.isEmpty());
    EXPECT_TRUE(fields.password.isEmpty());
    EXPECT_EQ(fields.server, QStringLiteral("sip1.ralu.example "));
    EXPECT_TRUE(fields.saveChecked);
}

TEST_F(LoginFixture, ExitMarksAbandonedStartUpOnlyBeforeRegistrationEvents)
{
    state.blnPhoneBookOpen = true;
    login.exit();
    EXPECT_TRUE(state.startupAbandoned);
    EXPECT_FALSE(state.blnPhoneBookOpen);

    AppState later;
    later.blnStartupLogin = false;
    LoginController after{later, saved, boxes, kPresets, {}};
    after.exit();
    EXPECT_FALSE(later.startupAbandoned);
}
