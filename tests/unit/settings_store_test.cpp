// The settings file: its text reads the same through QSettings (which wrote
// the files of earlier versions), a change reaches disk whole or not at all,
// the file is owner-only after every save, and what is not a regular file at
// its path (a link, a FIFO) is refused, never written through.
#include "FileSizeLimit.h"
#include "TestFiles.h"
#include "account/SettingsStore.h"
#include "qt_printers.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace ralu;
using namespace ralu::testing;

namespace {

const QString kSection = QStringLiteral("Parameters");
const QString kKey = QStringLiteral("Validation");

// Application names and values that need the file syntax's quoting and escapes.
const std::vector<std::pair<QString, QString>> kTricky = {
    { "PasswordRalu", "plain" },
    { "quote", "a\"b;c=d" },
    { "blanks", "  lead and trail " },
    { "at", "@at" },
    { "atat", "@@x" },
    { "comma", "one,two" },
    { "backslash", "back\\slash\\" },
    { "controls", QStringLiteral("tab\there\nline\x01") + QStringLiteral("1f") },
    { "nul", QString(QChar(0)) + QStringLiteral("7") },
    { "unicode", QStringLiteral("ünï €  😀") },
    { "empty", "" },
    { "percent", "%41%U0041" },
    { "name with space", "x" },
    { "Ünï", "y" },
    { "General", "z" },
};

mode_t modeOf(const QString &path)
{
    struct stat info { };
    return ::lstat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_mode : 0;
}

struct SettingsStoreTest : ::testing::Test {
    QTemporaryDir dir;
    QString path = dir.filePath(QStringLiteral("cfg/settings.ini"));
    IniSettingsStore store { path };

    QString read(const QString &app) { return store.get(app, kSection, kKey, QStringLiteral("<absent>")); }
};

} // namespace

TEST_F(SettingsStoreTest, FilesReadTheSameThroughQSettingsBothWays)
{
    std::vector<SettingsChange> changes;
    for (const auto &[app, value] : kTricky)
        changes.push_back(SettingsChange::set(app, kSection, kKey, value));
    ASSERT_TRUE(store.apply(changes)) << store.lastError().toStdString();

    const QString older = dir.filePath(QStringLiteral("qsettings.ini"));
    {
        QSettings writer(older, QSettings::IniFormat);
        for (const auto &[app, value] : kTricky)
            writer.setValue(app + QStringLiteral("/Parameters/Validation"), value);
        writer.sync();
        ASSERT_EQ(writer.status(), QSettings::NoError);
    }
    QSettings reader(path, QSettings::IniFormat);
    IniSettingsStore olderStore(older);
    for (const auto &[app, value] : kTricky) {
        EXPECT_EQ(reader.value(app + QStringLiteral("/Parameters/Validation")).toString(), value)
            << app.toStdString();
        EXPECT_EQ(olderStore.get(app, kSection, kKey, QStringLiteral("<absent>")), value)
            << app.toStdString();
    }
}

TEST_F(SettingsStoreTest, HandWrittenSyntaxReadsAsQSettingsReadsIt)
{
    QDir().mkpath(dir.filePath(QStringLiteral("cfg")));
    writeBytes(path,
        "\xef\xbb\xbf; comment\r\n[App1]\r\nParameters\\Validation = \"quoted ; value\" ; note\r\n"
        "[app2]\nparameters\\validation=  spaced  \n[App%33]\nParameters\\Validation=\\x41\\102\\q\n"
        "no equals sign\n[General]\nApp4/Parameters/Validation=top\n");
    EXPECT_EQ(read(QStringLiteral("app1")), QStringLiteral("quoted ; value"));
    EXPECT_EQ(read(QStringLiteral("APP2")), QStringLiteral("spaced"));
    EXPECT_EQ(read(QStringLiteral("App3")), QStringLiteral("AB"));
    EXPECT_EQ(read(QStringLiteral("App4")), QStringLiteral("top"));
    EXPECT_TRUE(store.lastError().isEmpty());
}

TEST_F(SettingsStoreTest, FailedWriteLeavesThePreviousFileWhole)
{
    ASSERT_TRUE(store.apply({ SettingsChange::set("A", kSection, kKey, "first"),
        SettingsChange::set("B", kSection, kKey, "kept") }));
    const QByteArray before = readBytes(path);
    {
        FileSizeLimit full(16); // far less than the file
        ASSERT_TRUE(full.active());
        EXPECT_FALSE(store.apply(
            { SettingsChange::set("A", kSection, kKey, "second"), SettingsChange::removeApp("B") }));
    }
    EXPECT_EQ(readBytes(path), before);
    EXPECT_TRUE(store.lastError().startsWith(QDir::toNativeSeparators(path) + QStringLiteral(": ")))
        << store.lastError().toStdString();
    EXPECT_EQ(read(QStringLiteral("A")), QStringLiteral("first"));
    EXPECT_EQ(QDir(dir.filePath(QStringLiteral("cfg"))).entryList(QDir::Files | QDir::Hidden),
        QStringList { "settings.ini" })
        << "no scratch file is left behind";
}

TEST_F(SettingsStoreTest, OnlyItsOwnRegularFileIsMadeOwnerOnly)
{
    // A folder made here and a file of ours are owner-only.
    ASSERT_TRUE(store.save("A", kSection, kKey, "secret"));
    EXPECT_EQ(modeOf(path) & 0777, 0600u);
    EXPECT_EQ(modeOf(dir.filePath(QStringLiteral("cfg"))) & 0777, 0700u);
    ::chmod(QFile::encodeName(path).constData(), 0644);
    ASSERT_TRUE(store.save("A", kSection, kKey, "changed"));
    EXPECT_EQ(modeOf(path) & 0777, 0600u);
    ::chmod(QFile::encodeName(path).constData(), 0644);
    ASSERT_TRUE(store.save("A", kSection, kKey, "changed"));
    EXPECT_EQ(modeOf(path) & 0777, 0600u) << "also when the same login is saved again";
    ::chmod(QFile::encodeName(path).constData(), 0644);
    EXPECT_EQ(read(QStringLiteral("A")), QStringLiteral("changed"));
    EXPECT_EQ(modeOf(path) & 0777, 0600u) << "reading it at start-up is enough";

    // A folder that was there before keeps its mode.
    const QString shared = dir.filePath(QStringLiteral("shared"));
    ASSERT_TRUE(QDir().mkpath(shared));
    ::chmod(QFile::encodeName(shared).constData(), 0755);
    IniSettingsStore inShared(shared + QStringLiteral("/settings.ini"));
    ASSERT_TRUE(inShared.save("A", kSection, kKey, "v"));
    EXPECT_EQ(modeOf(shared) & 0777, 0755u);
}

TEST_F(SettingsStoreTest, ALinkOrAFifoAtThePathIsRefusedByNameAndNeverWrittenThrough)
{
    ASSERT_TRUE(QDir().mkpath(dir.filePath(QStringLiteral("cfg"))));
    const QString target = dir.filePath(QStringLiteral("elsewhere.ini"));
    for (const NotAFile what : { NotAFile::Link, NotAFile::DanglingLink, NotAFile::Fifo }) {
        putNotAFile(what, path, target);
        ::chmod(QFile::encodeName(target).constData(), 0644);
        EXPECT_EQ(read(QStringLiteral("A")), QStringLiteral("<absent>"));
        const QString refused = store.lastError();
        EXPECT_TRUE(refused.startsWith(path + QStringLiteral(": "))) << refused.toStdString();
        EXPECT_FALSE(store.save("A", kSection, kKey, "secret"));
        EXPECT_EQ(store.lastError(), refused);
        EXPECT_EQ(readBytes(target), what == NotAFile::Link ? QByteArray("the target\n") : "<missing>");
        EXPECT_EQ(modeOf(target) & 0777, what == NotAFile::Link ? 0644u : 0u)
            << "the password never goes there";
        ASSERT_TRUE(QFile::remove(path));
        QFile::remove(target);
    }
}

TEST_F(SettingsStoreTest, DirectoryAtThePathIsNeitherReadNorTouched)
{
    ASSERT_TRUE(QDir().mkpath(path));
    ::chmod(QFile::encodeName(path).constData(), 0755);
    EXPECT_EQ(read(QStringLiteral("A")), QStringLiteral("<absent>"));
    EXPECT_FALSE(store.lastError().isEmpty());
    EXPECT_FALSE(store.save("A", kSection, kKey, "v"));
    EXPECT_TRUE(store.lastError().contains(QStringLiteral("settings.ini: ")))
        << store.lastError().toStdString();
    EXPECT_EQ(modeOf(path) & 0777, 0755u);
    EXPECT_TRUE(QDir(path).isEmpty());
}

TEST_F(SettingsStoreTest, AbsentStoreReadsEmptyAndUnchangedStoreIsNotWritten)
{
    EXPECT_EQ(read(QStringLiteral("A")), QStringLiteral("<absent>"));
    EXPECT_TRUE(store.lastError().isEmpty());
    // Removing what is not there needs no file.
    EXPECT_TRUE(
        store.apply({ SettingsChange::removeApp("A"), SettingsChange::removeKey("B", kSection, kKey) }));
    EXPECT_FALSE(QFile::exists(path));
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("cfg"))));
}
