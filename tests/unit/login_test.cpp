// The settings store, the saved login and the login checks, over a real INI
// file in a temporary folder.
#include "FakeMessageBoxes.h"
#include "FileSizeLimit.h"
#include "TestFiles.h"
#include "account/LoginController.h"
#include "account/SavedLogin.h"
#include "account/SettingsStore.h"
#include "qt_printers.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace ralu;
using namespace ralu::testing;

namespace {

const QStringList kPresets { "sip1.ralu.example ", "sip2.ralu.example ", "sip3.ralu.example ", "127.0.0.1" };

// Passes everything to the store it wraps and keeps the changes asked of it.
struct RecordingStore : SettingsStore {
    explicit RecordingStore(SettingsStore &inner)
        : inner(inner)
    {
    }
    QString get(const QString &app, const QString &section, const QString &key,
        const QString &defaultValue) const override
    {
        return inner.get(app, section, key, defaultValue);
    }
    bool apply(const std::vector<SettingsChange> &changes) override
    {
        asked.insert(asked.end(), changes.begin(), changes.end());
        return inner.apply(changes);
    }
    QString lastError() const override { return inner.lastError(); }

    SettingsStore &inner;
    std::vector<SettingsChange> asked;
};

struct LoginFixture : ::testing::Test {
    QTemporaryDir dir;
    IniSettingsStore store { dir.path() + QStringLiteral("/cfg/settings.ini") };
    RecordingStore recorder { store };
    SavedLogin saved { recorder, QStringLiteral("ralu") };
    AppState state;
    FakeMessageBoxes boxes;
    int registrations = 0;
    LoginController login { state, saved, boxes, kPresets, [this] { ++registrations; } };

    QString entry(const char *suffix)
    {
        return store.get(QString::fromLatin1(suffix) + QStringLiteral("ralu"), QStringLiteral("Parameters"),
            QStringLiteral("Validation"), QStringLiteral("<absent>"));
    }
};

} // namespace

TEST_F(LoginFixture, StoreNamesIgnoreCaseAndAbsentEntriesGiveTheDefault)
{
    ASSERT_TRUE(store.save(QStringLiteral("PasswordRalu"), QStringLiteral("Parameters"),
        QStringLiteral("Validation"), QStringLiteral("a\"b;c=d")));
    EXPECT_EQ(store.get(QStringLiteral("passwordralu"), QStringLiteral("PARAMETERS"),
                  QStringLiteral("validation"), QString()),
        QStringLiteral("a\"b;c=d"));
    // Writing under another spelling updates the same entry.
    ASSERT_TRUE(store.save(QStringLiteral("PASSWORDRALU"), QStringLiteral("parameters"),
        QStringLiteral("VALIDATION"), QStringLiteral("new")));
    EXPECT_EQ(store.get(QStringLiteral("PasswordRalu"), QStringLiteral("Parameters"),
                  QStringLiteral("Validation"), QString()),
        QStringLiteral("new"));
    EXPECT_EQ(store.get(QStringLiteral("Other"), QStringLiteral("Parameters"), QStringLiteral("Validation"),
                  QStringLiteral("dflt")),
        QStringLiteral("dflt"));
}

TEST_F(LoginFixture, DeletingAnApplicationNameRemovesAllItsSectionsOnly)
{
    store.save(QStringLiteral("SaveRalu"), QStringLiteral("Parameters"), QStringLiteral("Validation"),
        QStringLiteral("yes"));
    store.save(
        QStringLiteral("SaveRalu"), QStringLiteral("Other"), QStringLiteral("Key"), QStringLiteral("x"));
    store.save(QStringLiteral("sipipRalu"), QStringLiteral("Parameters"), QStringLiteral("Validation"),
        QStringLiteral("127.0.0.1"));
    ASSERT_TRUE(store.deleteApp(QStringLiteral("saveralu")));
    EXPECT_EQ(store.get(QStringLiteral("SaveRalu"), QStringLiteral("Parameters"),
                  QStringLiteral("Validation"), QStringLiteral("-")),
        QStringLiteral("-"));
    EXPECT_EQ(store.get(QStringLiteral("SaveRalu"), QStringLiteral("Other"), QStringLiteral("Key"),
                  QStringLiteral("-")),
        QStringLiteral("-"));
    EXPECT_EQ(store.get(QStringLiteral("sipipRalu"), QStringLiteral("Parameters"),
                  QStringLiteral("Validation"), QString()),
        QStringLiteral("127.0.0.1"));
}

TEST_F(LoginFixture, StoreFileIsOwnerOnly)
{
    ASSERT_TRUE(store.save(QStringLiteral("PasswordRalu"), QStringLiteral("Parameters"),
        QStringLiteral("Validation"), QStringLiteral("secret")));
    struct stat info { };
    ASSERT_EQ(::stat(QFile::encodeName(store.filePath()).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    ASSERT_EQ(::stat(QFile::encodeName(QFileInfo(store.filePath()).absolutePath()).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
}

TEST_F(LoginFixture, BlankFieldsAreRefusedAndNothingIsStored)
{
    for (const auto &[account, password] :
        { std::pair<QString, QString> { "", "pw" }, { "1001", "" }, { "", "" } }) {
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
    EXPECT_FALSE(login.login(
        QStringLiteral(" 1001 "), QStringLiteral(" demo1001 "), QStringLiteral("SIP1.ralu.example"), true));
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, QStringLiteral("Invalid SIP IP/Domain"));
    EXPECT_EQ(boxes.shown[0].icon, MessageBoxes::Icon::Information);
    EXPECT_EQ(state.login.strUserName, QStringLiteral("1001")) << "the trimmed values stay after the refusal";
    EXPECT_FALSE(QFile::exists(store.filePath()));
    EXPECT_EQ(registrations, 0);

    // A preset as listed, with its trailing blank, is taken without it.
    EXPECT_TRUE(login.login(
        QStringLiteral(" 1001 "), QStringLiteral(" demo1001 "), QStringLiteral("sip2.ralu.example "), true));
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
    ASSERT_TRUE(
        login.login(QStringLiteral("1001"), QStringLiteral("demo1001"), QStringLiteral("127.0.0.1"), true));
    EXPECT_EQ(entry("Password"), QStringLiteral("demo1001"));
    EXPECT_EQ(entry("Save"), QStringLiteral("yes"));
    EXPECT_EQ(entry("Username"), QStringLiteral("1001"));
    EXPECT_EQ(entry("accountnumber"), QStringLiteral("1001"));
    EXPECT_EQ(entry("accountpassword"), QStringLiteral("demo1001"));
    EXPECT_EQ(entry("sipip"), QStringLiteral("127.0.0.1"));

    // The next showing of the window offers the saved login.
    AppState next;
    LoginController again { next, saved, boxes, kPresets, {} };
    const LoginFields fields = again.load();
    EXPECT_EQ(fields.account, QStringLiteral("1001"));
    EXPECT_EQ(fields.password, QStringLiteral("demo1001"));
    EXPECT_EQ(fields.server, QStringLiteral("127.0.0.1"));
    EXPECT_TRUE(fields.saveChecked);
}

TEST_F(LoginFixture, ClearedBoxLeavesNoLoginInTheStoreButLogsIn)
{
    ASSERT_TRUE(
        login.login(QStringLiteral("1001"), QStringLiteral("demo1001"), QStringLiteral("127.0.0.1"), true));
    ASSERT_TRUE(
        login.login(QStringLiteral("1002"), QStringLiteral("demo1002"), QStringLiteral("127.0.0.1"), false));
    for (const char *suffix : { "Password", "Save", "Username", "accountnumber", "accountpassword", "sipip" })
        EXPECT_EQ(entry(suffix), QStringLiteral("<absent>")) << suffix;
    EXPECT_EQ(state.login.strUserName, QStringLiteral("1002"));
    EXPECT_EQ(state.login.strPassword, QStringLiteral("demo1002"));
    EXPECT_EQ(state.login.strLoginSIPIP, QStringLiteral("127.0.0.1"));
    EXPECT_EQ(registrations, 2);

    AppState next;
    LoginController again { next, saved, boxes, kPresets, {} };
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
    EXPECT_TRUE(
        login.login(QStringLiteral("1001"), QStringLiteral("demo1001"), QStringLiteral("127.0.0.1"), false));
    EXPECT_EQ(state.login.strUserName, QStringLiteral("1001"));
    EXPECT_EQ(state.login.strPassword, QStringLiteral("demo1001"));
    EXPECT_EQ(registrations, 1);
    EXPECT_TRUE(boxes.shown.empty()) << "no login can be stored there, so none is left to remove";
}

TEST_F(LoginFixture, ClearedBoxWritesNothingOfTheLogin)
{
    ASSERT_TRUE(
        login.login(QStringLiteral("1002"), QStringLiteral("demo1002"), QStringLiteral("127.0.0.1"), false));
    EXPECT_FALSE(QFile::exists(store.filePath())) << "nothing was stored, so nothing is written";

    ASSERT_TRUE(
        login.login(QStringLiteral("1001"), QStringLiteral("demo1001"), QStringLiteral("127.0.0.1"), true));
    recorder.asked.clear();
    ASSERT_TRUE(
        login.login(QStringLiteral("1003"), QStringLiteral("pw1003"), QStringLiteral("127.0.0.1"), false));
    ASSERT_FALSE(recorder.asked.empty());
    for (const SettingsChange &change : recorder.asked)
        EXPECT_NE(change.kind, SettingsChange::Kind::Set) << change.app.toStdString() << " was written";
    const QByteArray onDisk = readBytes(store.filePath());
    EXPECT_FALSE(onDisk.contains("demo1001") || onDisk.contains("pw1003") || onDisk.contains("1003"))
        << onDisk.data();
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(LoginFixture, StoreThatCannotBeWrittenIsToldOnceAndTheLoginGoesAhead)
{
    const QString folder = dir.filePath(QStringLiteral("cfg"));
    const std::pair<const char *, std::function<void()>> blocks[] = {
        { "a directory at the store's path", [&] { ASSERT_TRUE(QDir().mkpath(store.filePath())); } },
        { "a plain file as the store's folder", [&] { writeBytes(folder, "x"); } },
    };
    for (const auto &[name, block] : blocks) {
        SCOPED_TRACE(name);
        QDir(folder).removeRecursively();
        QFile::remove(folder);
        block();
        boxes.shown.clear();
        const int before = registrations;
        EXPECT_TRUE(login.login(
            QStringLiteral("1001"), QStringLiteral("demo1001"), QStringLiteral("127.0.0.1"), true));
        EXPECT_EQ(registrations, before + 1);
        EXPECT_EQ(state.login.strUserName, QStringLiteral("1001"));
        ASSERT_EQ(boxes.shown.size(), 1u);
        EXPECT_TRUE(boxes.shown[0].text.startsWith(QStringLiteral("The login could not be saved.\n")
            + QDir::toNativeSeparators(store.filePath()) + QStringLiteral(": ")))
            << boxes.shown[0].text.toStdString();
        EXPECT_EQ(boxes.shown[0].icon, MessageBoxes::Icon::Exclamation);
    }
}

TEST_F(LoginFixture, FailedSaveOrRemovalKeepsThePreviouslySavedLogin)
{
    // Another entry keeps the rewritten file longer than the disk allows.
    ASSERT_TRUE(store.save(QStringLiteral("OtherRalu"), QStringLiteral("Parameters"),
        QStringLiteral("Validation"), QStringLiteral("kept")));
    for (const bool saveChecked : { true, false }) {
        SCOPED_TRACE(saveChecked ? "box checked" : "box cleared");
        ASSERT_TRUE(login.login(
            QStringLiteral("1001"), QStringLiteral("demo1001"), QStringLiteral("127.0.0.1"), true));
        boxes.shown.clear();
        {
            FileSizeLimit full(16);
            ASSERT_TRUE(full.active());
            EXPECT_TRUE(login.login(QStringLiteral("1002"), QStringLiteral("demo1002"),
                QStringLiteral("sip2.ralu.example "), saveChecked));
        }
        EXPECT_EQ(state.login.strUserName, QStringLiteral("1002")) << "the typed login is used";
        ASSERT_EQ(boxes.shown.size(), 1u);
        EXPECT_TRUE(boxes.shown[0].text.startsWith(saveChecked
                ? QStringLiteral("The login could not be saved.\n")
                : QStringLiteral("The saved login could not be removed.\n")))
            << boxes.shown[0].text.toStdString();

        AppState next;
        LoginController again { next, saved, boxes, kPresets, {} };
        const LoginFields fields = again.load();
        EXPECT_EQ(fields.account, QStringLiteral("1001"));
        EXPECT_EQ(fields.password, QStringLiteral("demo1001"));
        EXPECT_EQ(fields.server, QStringLiteral("127.0.0.1"));
        EXPECT_EQ(entry("Other"), QStringLiteral("kept"));
    }
}

TEST_F(LoginFixture, UnreadableStoreIsToldWhenTheWindowOpens)
{
    ASSERT_TRUE(QDir().mkpath(store.filePath()));
    const LoginFields fields = login.load();
    EXPECT_TRUE(fields.account.isEmpty());
    EXPECT_TRUE(fields.password.isEmpty());
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text,
        QStringLiteral("The saved login could not be read.\n") + QDir::toNativeSeparators(store.filePath())
            + QStringLiteral(": Is a directory"));
    EXPECT_EQ(boxes.shown[0].icon, MessageBoxes::Icon::Exclamation);
}

TEST_F(LoginFixture, PartialSavedLoginLeavesTheFieldsEmpty)
{
    saved.saveProfile(LoginValues { QString(), QString(), QStringLiteral("1001"), QStringLiteral("pw"),
        QStringLiteral("127.0.0.1"), QStringLiteral("no"), QString() });
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
    LoginController after { later, saved, boxes, kPresets, {} };
    after.exit();
    EXPECT_FALSE(later.startupAbandoned);
}
