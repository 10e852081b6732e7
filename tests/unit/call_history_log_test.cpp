#include "FileSizeLimit.h"
#include "calls/CallHistoryLog.h"
#include "engine/Clock.h"
#include "qt_printers.h"

#include <QDir>
#include <QFile>
#include <QLocale>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <gtest/gtest.h>

using ralu::CallHistoryLog;

namespace {

class FixedClock : public ralu::Clock {
public:
    QDateTime time;
    QDateTime now() const override { return time; }
};

QDateTime at(int year, int month, int day, int hour, int minute)
{
    return QDateTime(QDate(year, month, day), QTime(hour, minute));
}

QByteArray readBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(file.write(bytes), bytes.size());
}

class CallHistoryLogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        clock.time = at(2010, 1, 1, 0, 5);
    }
    QString path() const { return dir.filePath("recentcall.txt"); }

    QTemporaryDir dir;
    FixedClock clock;
};

} // namespace

TEST_F(CallHistoryLogTest, FreshFileGetsOneEntryAndOneEmptyLine)
{
    CallHistoryLog log(dir.path(), clock);
    EXPECT_EQ(log.filePath(), path());
    EXPECT_TRUE(log.addRecentCall("555", CallHistoryLog::Dialed));
    EXPECT_EQ(readBytes(path()), QByteArray("D::555  [01/01/10 12:05 AM]\r\n\r\n"));
}

TEST(CallHistoryLogStamp, TwelveHourClockDayMonthYear)
{
    struct Case {
        QDateTime when;
        const char *text;
    };
    const Case cases[] = {
        { at(2010, 1, 1, 0, 5), "01/01/10 12:05 AM" },
        { at(2010, 1, 1, 0, 0), "01/01/10 12:00 AM" },
        { at(2010, 1, 1, 1, 0), "01/01/10 01:00 AM" },
        { at(2010, 1, 1, 11, 59), "01/01/10 11:59 AM" },
        { at(2010, 1, 1, 12, 0), "01/01/10 12:00 PM" },
        { at(2010, 1, 1, 12, 30), "01/01/10 12:30 PM" },
        { at(2009, 3, 7, 14, 25), "07/03/09 02:25 PM" },
        { at(2011, 12, 31, 23, 59), "31/12/11 11:59 PM" },
        { at(2000, 10, 9, 13, 7), "09/10/00 01:07 PM" },
    };
    for (const Case &c : cases)
        EXPECT_EQ(CallHistoryLog::formatStamp(c.when), QString(c.text)) << c.text;

    // The marker is always the English one, whatever the user's locale says.
    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::Korean, QLocale::SouthKorea));
    const QString pm = CallHistoryLog::formatStamp(at(2009, 3, 7, 14, 25));
    const QString am = CallHistoryLog::formatStamp(at(2009, 3, 7, 9, 25));
    QLocale::setDefault(saved);
    EXPECT_EQ(pm, "07/03/09 02:25 PM");
    EXPECT_EQ(am, "07/03/09 09:25 AM");
}

TEST_F(CallHistoryLogTest, AppendsInOrderWithoutTouchingEarlierBytes)
{
    CallHistoryLog log(dir.path(), clock);
    QByteArray before;
    const int kinds[] = { CallHistoryLog::Dialed, CallHistoryLog::Received, CallHistoryLog::Missed };
    for (int i = 0; i < 3; ++i) {
        clock.time = at(2010, 1, 1, 12 + i, 10 * i);
        ASSERT_TRUE(log.addRecentCall(QString::number(100 + i), kinds[i]));
        const QByteArray after = readBytes(path());
        EXPECT_TRUE(after.startsWith(before)) << "append " << i << " changed earlier bytes";
        EXPECT_GT(after.size(), before.size());
        before = after;
    }
    EXPECT_EQ(before,
        QByteArray("D::100  [01/01/10 12:00 PM]\r\n\r\n"
                   "R::101  [01/01/10 01:10 PM]\r\n\r\n"
                   "M::102  [01/01/10 02:20 PM]\r\n\r\n"));
}

TEST_F(CallHistoryLogTest, ExistingContentIsKeptAndLastLineEndMended)
{
    const QByteArray entry = "R::555  [01/01/10 12:05 AM]\r\n\r\n";
    struct Case {
        QByteArray existing;
        QByteArray expected;
    };
    const Case cases[] = {
        // Leading empty lines stay.
        { "\r\n\r\n", "\r\n\r\n" + entry },
        // LF-only file: appended to as it is.
        { "D::1  [x]\n\n", "D::1  [x]\n\n" + entry },
        // Last line without a line end: the new entry goes on its own line.
        { "D::1  [x]", "D::1  [x]\r\n" + entry },
        // Cut right after a CR: the LF completes that line end.
        { "D::1  [x]\r", "D::1  [x]\r\n" + entry },
        // Empty file.
        { "", entry },
    };
    for (const Case &c : cases) {
        writeBytes(path(), c.existing);
        CallHistoryLog log(dir.path(), clock);
        EXPECT_TRUE(log.addRecentCall("555", CallHistoryLog::Received));
        EXPECT_EQ(readBytes(path()), c.expected) << c.existing.toStdString();
    }

    writeBytes(path(), "M::7  [x]");
    CallHistoryLog log(dir.path(), clock);
    ASSERT_TRUE(log.addRecentCall("8", CallHistoryLog::Missed));
    EXPECT_EQ(log.entries('M'), QStringList({ "7  [x]", "8  [01/01/10 12:05 AM]" }));
}

TEST_F(CallHistoryLogTest, UnknownKindWritesNothing)
{
    CallHistoryLog log(dir.path(), clock);
    EXPECT_FALSE(log.addRecentCall("555", 3));
    EXPECT_FALSE(log.addRecentCall("555", -1));
    EXPECT_FALSE(QFile::exists(path()));

    writeBytes(path(), "D::1  [x]\r\n\r\n");
    EXPECT_FALSE(log.addRecentCall("555", 7));
    EXPECT_EQ(readBytes(path()), QByteArray("D::1  [x]\r\n\r\n"));
}

TEST_F(CallHistoryLogTest, UnwritableFolderReportsFalse)
{
    CallHistoryLog missing(dir.filePath("no/such/folder"), clock);
    EXPECT_FALSE(missing.addRecentCall("555", CallHistoryLog::Dialed));
    EXPECT_FALSE(QDir(dir.filePath("no")).exists());
    EXPECT_TRUE(missing.entries('D').isEmpty());

    // A folder path naming a plain file fails even for root.
    QTemporaryFile notAFolder;
    ASSERT_TRUE(notAFolder.open());
    CallHistoryLog blocked(notAFolder.fileName(), clock);
    EXPECT_FALSE(blocked.addRecentCall("555", CallHistoryLog::Dialed));
}

TEST_F(CallHistoryLogTest, AnEntryThatDoesNotFitWholeIsTakenOutAgain)
{
    CallHistoryLog log(dir.path(), clock);
    const QByteArray before = "D::1  [x]\r\n\r\nno end";
    const QByteArray after = before + "\r\nM::555  [01/01/10 12:05 AM]\r\n\r\n";
    for (const qint64 room : { qint64(0), qint64(1), qint64(6), after.size() - before.size() - 1 }) {
        writeBytes(path(), before);
        {
            ralu::testing::FileSizeLimit full(before.size() + room); // a disk that fills up
            ASSERT_TRUE(full.active());
            EXPECT_FALSE(log.addRecentCall("555", CallHistoryLog::Missed));
        }
        EXPECT_EQ(readBytes(path()), before) << room << " bytes of room";
        EXPECT_EQ(log.lastError(), path() + ": File too large");
    }
    EXPECT_TRUE(log.addRecentCall("555", CallHistoryLog::Missed));
    EXPECT_EQ(readBytes(path()), after);
    EXPECT_TRUE(log.lastError().isEmpty());
}

TEST_F(CallHistoryLogTest, NumbersAreWrittenAsUtf8)
{
    CallHistoryLog log(dir.path(), clock);
    ASSERT_TRUE(log.addRecentCall(QString::fromUtf8("Zo\xc3\xab"), CallHistoryLog::Dialed));
    EXPECT_EQ(readBytes(path()), QByteArray("D::Zo\xc3\xab  [01/01/10 12:05 AM]\r\n\r\n"));
    EXPECT_EQ(log.entries('D'), QStringList({ QString::fromUtf8("Zo\xc3\xab  [01/01/10 12:05 AM]") }));
}

TEST_F(CallHistoryLogTest, ALineBreakInACallersNumberStaysInItsEntry)
{
    CallHistoryLog log(dir.path(), clock);
    ASSERT_TRUE(log.addRecentCall(QStringLiteral("555\r\nD::666\rx\ny"), CallHistoryLog::Received));
    EXPECT_EQ(readBytes(path()), QByteArray("R::555  D::666 x y  [01/01/10 12:05 AM]\r\n\r\n"));
    EXPECT_TRUE(log.entries('D').isEmpty());
    EXPECT_EQ(log.entries('R'), QStringList({ "555  D::666 x y  [01/01/10 12:05 AM]" }));
}

TEST_F(CallHistoryLogTest, EntriesPicksOneKindInFileOrder)
{
    const QByteArray mixed = "\r\n"
                             "D::100  [01/01/10 12:00 PM]\r\n\r\n"
                             "R::200  [01/01/10 01:00 PM]\r\n\r\n"
                             "M::300  [01/01/10 02:00 PM]\r\n\r\n"
                             "D::400  [01/01/10 03:00 PM]\r\n\r\n";
    for (const QByteArray &bytes : { mixed, QByteArray(mixed).replace("\r\n", "\n") }) {
        writeBytes(path(), bytes);
        CallHistoryLog log(dir.path(), clock);
        EXPECT_EQ(log.entries('D'), QStringList({ "100  [01/01/10 12:00 PM]", "400  [01/01/10 03:00 PM]" }));
        EXPECT_EQ(log.entries('R'), QStringList({ "200  [01/01/10 01:00 PM]" }));
        EXPECT_EQ(log.entries('M'), QStringList({ "300  [01/01/10 02:00 PM]" }));
        EXPECT_TRUE(log.entries('X').isEmpty());
    }
}
