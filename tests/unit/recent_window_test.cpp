// The call history window over a real recentcall.txt: the tabs and their
// lists, clearing one kind, redial, the tooltip, closing, a clear that
// cannot be written, a huge file, and what is not a regular file.
#include "FileSizeLimit.h"
#include "RegisteredPhone.h"
#include "TestFiles.h"
#include "calls/CallHistoryLog.h"
#include "calls/CallHistoryRecorder.h"
#include "engine/Clock.h"
#include "files/TextFile.h"
#include "qt_printers.h"
#include "skin/PictureButton.h"
#include "windows/RecentWindow.h"
#include "windows/StampDelegate.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTextDocumentFragment>
#include <gtest/gtest.h>

using namespace ralu;
using namespace ralu::testing;

namespace {

class FixedClock : public Clock {
public:
    QDateTime now() const override { return QDateTime(QDate(2010, 1, 3), QTime(9, 30)); }
};

// Every kind, a leading empty line, a line ended by LF alone, a lower-case
// letter that is no kind, and entries added by the log (each followed by an
// empty line).
const QByteArray kHistory = "\r\n"
                            "D::555  [01/01/10 12:05 AM]\r\n\r\n"
                            "R::201  [01/01/10 12:07 AM]\r\n\r\n"
                            "M::202  [01/01/10 12:09 AM]\r\n\r\n"
                            "d::999  [01/01/10 12:10 AM]\r\n"
                            "D::777  [02/01/10 01:00 PM]\r\n\r\n"
                            "M::203  [02/01/10 02:00 PM]\n";

QStringList items(const RecentWindow &window)
{
    QStringList result;
    for (int i = 0; i < window.list()->count(); ++i)
        result << window.list()->item(i)->text();
    return result;
}

QColor captionColour(const RecentWindow &window, char kind)
{
    return window.tab(*kindOfLetter(QLatin1Char(kind)))->palette().color(QPalette::WindowText);
}

struct RecentWindowTest : ::testing::Test, RegisteredPhone {
    QTemporaryDir dir;
    FixedClock clock;
    CallHistoryLog log { dir.path(), clock };

    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        registerAccount();
    }
    CallHistoryRecorder recorder { engine.session(),
        [this](const QString &number, CallKind kind) { log.addRecentCall(number, kind); } };

    std::unique_ptr<RecentWindow> open()
    {
        auto w = std::make_unique<RecentWindow>(
            log.filePath(), state, boxes, [this](const QString &n) { return dialer.callNumber(n); }, &window);
        w->show();
        return w;
    }

    void clickTab(RecentWindow &w, char kind)
    {
        QTest::mouseClick(w.tab(*kindOfLetter(QLatin1Char(kind))), Qt::LeftButton);
    }
};

const QColor kRed(255, 0, 0);
const QColor kBlack(0, 0, 0);

} // namespace

TEST_F(RecentWindowTest, TabsListTheirKindInFileOrderWithTheCurrentCaptionRed)
{
    writeBytes(log.filePath(), kHistory);
    auto w = open();
    EXPECT_EQ(w->kind(), CallKind::Dialed);
    EXPECT_EQ(items(*w), (QStringList { "555  [01/01/10 12:05 AM]", "777  [02/01/10 01:00 PM]" }));
    EXPECT_EQ(captionColour(*w, 'D'), kRed);
    EXPECT_EQ(captionColour(*w, 'R'), kBlack);
    EXPECT_EQ(captionColour(*w, 'M'), kBlack);

    clickTab(*w, 'R');
    EXPECT_EQ(items(*w), QStringList { "201  [01/01/10 12:07 AM]" });
    EXPECT_EQ(captionColour(*w, 'R'), kRed);
    EXPECT_EQ(captionColour(*w, 'D'), kBlack);

    clickTab(*w, 'M');
    EXPECT_EQ(items(*w), (QStringList { "202  [01/01/10 12:09 AM]", "203  [02/01/10 02:00 PM]" }));
    EXPECT_EQ(captionColour(*w, 'M'), kRed);
    EXPECT_EQ(captionColour(*w, 'R'), kBlack);

    // A call missed while the window is open shows at the next tab click.
    log.addRecentCall(QStringLiteral("204"), CallKind::Missed);
    EXPECT_EQ(w->list()->count(), 2);
    clickTab(*w, 'M');
    EXPECT_EQ(items(*w).value(2), QStringLiteral("204  [03/01/10 09:30 AM]"));
    EXPECT_EQ(readBytes(log.filePath()), kHistory + "M::204  [03/01/10 09:30 AM]\r\n\r\n")
        << "opening writes nothing";
}

TEST_F(RecentWindowTest, OpensOnMissedCallsOnceTheIndicatorWasClicked)
{
    writeBytes(log.filePath(), kHistory);
    engine.attention().acknowledgeMissedCalls();
    for (int showing = 0; showing < 2; ++showing) { // nothing clears the flag
        auto w = open();
        EXPECT_EQ(w->kind(), CallKind::Missed);
        EXPECT_EQ(w->list()->count(), 2);
        EXPECT_EQ(captionColour(*w, 'M'), kRed);
        EXPECT_EQ(captionColour(*w, 'D'), kBlack);
        EXPECT_EQ(captionColour(*w, 'R'), kBlack);
        w->close();
    }
}

TEST_F(RecentWindowTest, MissingFileListsNothingAndClearingCreatesNoFile)
{
    auto w = open();
    for (char kind : { 'D', 'R', 'M' }) {
        clickTab(*w, kind);
        EXPECT_EQ(w->list()->count(), 0);
    }
    QTest::mouseClick(w->clearButton(), Qt::LeftButton);
    EXPECT_FALSE(QFile::exists(log.filePath()));
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(RecentWindowTest, ClearingOneKindKeepsEveryOtherLineInOrderAndLaterEntriesStartOnTheirOwnLine)
{
    writeBytes(log.filePath(), kHistory);
    auto w = open();
    clickTab(*w, 'R');
    QTest::mouseClick(w->clearButton(), Qt::LeftButton);
    EXPECT_EQ(w->list()->count(), 0);
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_EQ(readBytes(log.filePath()),
        QByteArray("\r\n"
                   "D::555  [01/01/10 12:05 AM]\r\n\r\n"
                   "\r\n"
                   "M::202  [01/01/10 12:09 AM]\r\n\r\n"
                   "d::999  [01/01/10 12:10 AM]\r\n"
                   "D::777  [02/01/10 01:00 PM]\r\n\r\n"
                   "M::203  [02/01/10 02:00 PM]\n"));
    clickTab(*w, 'D');
    EXPECT_EQ(w->list()->count(), 2);
    clickTab(*w, 'M');
    EXPECT_EQ(items(*w), (QStringList { "202  [01/01/10 12:09 AM]", "203  [02/01/10 02:00 PM]" }));

    QTest::mouseClick(w->clearButton(), Qt::LeftButton);
    log.addRecentCall(QStringLiteral("888"), CallKind::Dialed);
    EXPECT_EQ(readBytes(log.filePath()),
        QByteArray("\r\n"
                   "D::555  [01/01/10 12:05 AM]\r\n\r\n"
                   "\r\n"
                   "\r\n"
                   "d::999  [01/01/10 12:10 AM]\r\n"
                   "D::777  [02/01/10 01:00 PM]\r\n\r\n"
                   "D::888  [03/01/10 09:30 AM]\r\n\r\n"));
    clickTab(*w, 'D');
    EXPECT_EQ(items(*w).value(2), QStringLiteral("888  [03/01/10 09:30 AM]"));
    EXPECT_TRUE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden) == QStringList { "recentcall.txt" })
        << "no temporary file is left behind";
}

TEST_F(RecentWindowTest, ClearingAndLoggingKeepTheBytesOfEveryOtherLine)
{
    struct Case {
        const char *what;
        QByteArray file;
        char kind; // listed, then cleared
        QStringList shown;
        QByteArray cleared;
        QByteArray mended; // what goes before the entry logged next
    };
    const Case cases[] = {
        { "byte order mark",
            "\xEF\xBB\xBF"
            "D::1  [a]\r\n\r\nM::2  [b]\r\n\r\n",
            'D', { "1  [a]" },
            "\xEF\xBB\xBF"
            "\r\nM::2  [b]\r\n\r\n",
            "" },
        { "Windows-1252", "M::M\xFCller  [a]\r\n\r\nD::M\xFCller  [b]\r\n\r\n", 'D',
            { QString::fromUtf8("M\xC3\xBCller  [b]") }, "M::M\xFCller  [a]\r\n\r\n\r\n", "" },
        { "CR alone", "D::1  [a]\r\rM::2  [b]\r\r", 'M', { "2  [b]" }, "D::1  [a]\r\r\r", "\n" },
        { "CR LF", "D::1  [a]\r\n\r\nR::2  [b]\r\n\r\n", 'R', { "2  [b]" }, "D::1  [a]\r\n\r\n\r\n", "" },
        { "LF", "D::1  [a]\n\nM::2  [b]\n\n", 'D', { "1  [a]" }, "\nM::2  [b]\n\n", "" },
        { "mixed", "D::1  [a]\r\n\nR::2  [b]\r\rM::3  [c]\n\r\n", 'R', { "2  [b]" },
            "D::1  [a]\r\n\n\rM::3  [c]\n\r\n", "" },
        { "no final line end", "D::1  [a]\r\n\r\nM::2  [b]", 'D', { "1  [a]" }, "\r\nM::2  [b]", "\r\n" },
        { "invalid UTF-8", "D::\xC0\xAF  [a]\r\nM::\xE2\x82  [b]\r\nD::\xED\xA0\x80  [c]\r\n", 'M',
            { QString::fromUtf16(u"\u00E2\u201A  [b]") }, "D::\xC0\xAF  [a]\r\nD::\xED\xA0\x80  [c]\r\n",
            "" },
    };
    for (const Case &c : cases) {
        writeBytes(log.filePath(), c.file);
        RecentList list(log.filePath(), boxes);
        list.setKind(*kindOfLetter(QLatin1Char(c.kind)));
        list.load();
        EXPECT_EQ(list.items(), c.shown) << c.what;
        EXPECT_TRUE(list.clearKind()) << c.what;
        EXPECT_EQ(readBytes(log.filePath()), c.cleared) << c.what;
        EXPECT_TRUE(log.addRecentCall(QStringLiteral("555"), CallKind::Dialed));
        EXPECT_EQ(readBytes(log.filePath()), c.cleared + c.mended + "D::555  [03/01/10 09:30 AM]\r\n\r\n")
            << c.what;
    }
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(RecentWindowTest, AHugeEntryIsListedCutAndKeptWholeInTheFile)
{
    const QByteArray huge = "D::" + QByteArray(1024 * 1024, '5') + "  [01/01/10 12:05 AM]\r\n\r\n";
    writeBytes(log.filePath(), huge + "M::202  [01/01/10 12:09 AM]\r\n\r\n");
    auto w = open();
    ASSERT_EQ(w->list()->count(), 1);
    const QString shown = w->list()->item(0)->text();
    EXPECT_EQ(shown.size(), TextFile::kShownLength);
    EXPECT_TRUE(shown == QString(TextFile::kShownLength, QLatin1Char('5')));

    clickTab(*w, 'M');
    QTest::mouseClick(w->clearButton(), Qt::LeftButton);
    const QByteArray after = readBytes(log.filePath());
    EXPECT_EQ(after.size(), huge.size() + 2);
    EXPECT_TRUE(after == huge + "\r\n") << "the file keeps the whole entry";
}

TEST_F(RecentWindowTest, AHugeHistoryListsTheNewestEntriesOfItsEndAndIsClearedInPieces)
{
    QByteArray all, kept; // numbered calls, more than the list reads
    int calls = 0;
    for (; all.size() <= RecentList::kReadTail; ++calls) {
        const QByteArray missed = "M::" + QByteArray::number(calls) + "\r\n";
        all += "D::" + QByteArray::number(calls) + "  [x]\r\n\r\n" + missed;
        kept += "\r\n" + missed;
    }
    writeBytes(log.filePath(), all);
    auto w = open();
    const QStringList listed = items(*w);
    ASSERT_EQ(listed.size(), RecentList::kMaxListed);
    EXPECT_EQ(listed.first(), QStringLiteral("%1  [x]").arg(calls - RecentList::kMaxListed));
    EXPECT_EQ(listed.last(), QStringLiteral("%1  [x]").arg(calls - 1));
    QTest::mouseClick(w->clearButton(), Qt::LeftButton);
    EXPECT_TRUE(readBytes(log.filePath()) == kept);
    EXPECT_TRUE(boxes.shown.empty());

    // Past what it clears, it is told and left as it is.
    ASSERT_TRUE(QFile::resize(log.filePath(), RecentList::kMaxClearSize + 1));
    QTest::mouseClick(w->clearButton(), Qt::LeftButton);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(
        boxes.shown[0].text, "Could not save the call history: " + log.filePath() + ": larger than 64 MB");
    EXPECT_EQ(QFileInfo(log.filePath()).size(), RecentList::kMaxClearSize + 1);
}

TEST_F(RecentWindowTest, WhatIsNotARegularFileIsToldNeitherWaitedOnNorWrittenThrough)
{
    const QString target = dir.filePath(QStringLiteral("target"));
    for (const NotAFile what : { NotAFile::Fifo, NotAFile::Link }) {
        putNotAFile(what, log.filePath(), target);
        auto w = open();
        QTest::mouseClick(w->clearButton(), Qt::LeftButton);
        ASSERT_EQ(boxes.shown.size(), 2u);
        const QString told = boxes.shown[0].text.section(QStringLiteral(": "), 1);
        EXPECT_TRUE(told.startsWith(log.filePath() + QStringLiteral(": "))) << told.toStdString();
        EXPECT_EQ(boxes.shown[0].text, QStringLiteral("Could not read the call history: ") + told);
        EXPECT_EQ(boxes.shown[1].text, QStringLiteral("Could not save the call history: ") + told);
        EXPECT_FALSE(log.addRecentCall(QStringLiteral("555"), CallKind::Dialed));
        EXPECT_EQ(readBytes(target), QFile::exists(target) ? QByteArray("the target\n") : "<missing>");
        ASSERT_TRUE(QFile::remove(log.filePath()));
        boxes.shown.clear();
    }
}

TEST_F(RecentWindowTest, DoubleClickDialsTheNumberBeforeTheFirstBlankAndCloses)
{
    writeBytes(log.filePath(), kHistory);
    auto w = open();
    QListWidget *list = w->list();
    const QPoint onFirst = list->visualItemRect(list->item(0)).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, onFirst); // the first click of the two
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, onFirst);

    EXPECT_EQ(window.numberBox()->text(), QStringLiteral("555"));
    EXPECT_EQ(dialedAddresses(), std::vector<std::string> { "sip:555@127.0.0.1" });
    EXPECT_TRUE(rtc.calls.contains(QStringLiteral("createSession 1 null 1")));
    EXPECT_FALSE(w->isVisible());
    EXPECT_TRUE(readBytes(log.filePath()).endsWith("D::555  [03/01/10 09:30 AM]\r\n\r\n"));
}

TEST_F(RecentWindowTest, EnterDialsTheSelectedEntryAndCloses)
{
    writeBytes(log.filePath(), kHistory);
    auto w = open();
    w->list()->setCurrentRow(1);
    QTest::keyClick(w->list(), Qt::Key_Return);
    EXPECT_EQ(dialedAddresses(), std::vector<std::string> { "sip:777@127.0.0.1" });
    EXPECT_FALSE(w->isVisible());
}

TEST_F(RecentWindowTest, EntriesShowBesideAScrollBarTypicalOnesWholeALongNumberCutBeforeItsStamp)
{
    QByteArray history = "D::00442012345678901234  [28/12/24 12:59 PM]\r\n";
    for (int i = 0; i < 20; ++i)
        history += "D::" + QByteArray::number(4420123456 + i) + "  [28/12/24 12:59 PM]\r\n";
    writeBytes(log.filePath(), history);
    const auto recent = open();
    QListWidget *list = recent->list();
    ASSERT_TRUE(list->verticalScrollBar()->isVisible());
    const int room = list->viewport()->width() - 6; // less the text's margins
    for (int i = 1; i < list->count(); ++i)
        EXPECT_LE(list->fontMetrics().horizontalAdvance(list->item(i)->text()), room);
    const QString shown = StampDelegate::fitted(list->item(0)->text(), list->fontMetrics(), room);
    EXPECT_TRUE(shown.startsWith(QStringLiteral("0044"))
        && shown.endsWith(QStringLiteral("\u2026  [28/12/24 12:59 PM]")))
        << shown.toStdString();
    EXPECT_LE(list->fontMetrics().horizontalAdvance(shown), room);
}

TEST_F(RecentWindowTest, AnEntryLongerThanTheListShowsDialsTheWholeNumber)
{
    const QByteArray number(TextFile::kShownLength + 44, '5');
    writeBytes(log.filePath(), "D::" + number + "  [01/01/10 12:05 AM]\r\n\r\n");
    auto w = open();
    w->list()->item(0)->setSelected(true);
    w->redial();
    EXPECT_EQ(dialedAddresses(), std::vector<std::string> { "sip:" + number.toStdString() + "@127.0.0.1" });
}

TEST_F(RecentWindowTest, RedialWithoutASelectedEntryDoesNothing)
{
    writeBytes(log.filePath(), kHistory);
    engine.presenter().setNumberText(QStringLiteral("42"));
    auto w = open();
    w->list()->setCurrentRow(0, QItemSelectionModel::NoUpdate); // current, yet not selected
    w->redial();
    clickTab(*w, 'R');
    QTest::mouseClick(w->clearButton(), Qt::LeftButton);
    QTest::mouseDClick(w->list()->viewport(), Qt::LeftButton, {}, QPoint(20, 150)); // an empty list
    EXPECT_TRUE(rtc.createdSessions.empty());
    EXPECT_EQ(window.numberBox()->text(), QStringLiteral("42"));
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_TRUE(w->isVisible());
}

TEST_F(RecentWindowTest, TooltipShowsTheSelectedEntryNotTheOneUnderThePointer)
{
    writeBytes(log.filePath(), kHistory);
    auto w = open();
    QListWidget *list = w->list();
    auto hover = [&](int row) {
        const QPointF at = list->visualItemRect(list->item(row)).center();
        QMouseEvent move(QEvent::MouseMove, at, list->viewport()->mapToGlobal(at), Qt::NoButton, Qt::NoButton,
            Qt::NoModifier);
        QApplication::sendEvent(list->viewport(), &move);
    };
    list->setToolTip(QStringLiteral("stale"));
    hover(0);
    EXPECT_EQ(list->toolTip(), QString());

    list->item(1)->setSelected(true);
    hover(0);
    // Rich text whose only text is the entry, escaped: a caller's number can
    // carry markup.
    auto shown = [](const QString &tip) { return QTextDocumentFragment::fromHtml(tip).toPlainText(); };
    EXPECT_EQ(shown(list->toolTip()), QStringLiteral("777  [02/01/10 01:00 PM]"));
    list->item(1)->setText(QStringLiteral("<b>7</b>"));
    hover(0);
    EXPECT_EQ(shown(list->toolTip()), QStringLiteral("<b>7</b>"));
}

TEST_F(RecentWindowTest, BothCloseButtonsCloseAndTheBilledHistoryLinkLiesOutsideTheOutline)
{
    for (PictureButton *(RecentWindow::*button)() const :
        { &RecentWindow::closeButton, &RecentWindow::closeImage }) {
        auto w = open();
        QTest::mouseClick((w.get()->*button)(), Qt::LeftButton);
        EXPECT_FALSE(w->isVisible());
    }
    auto w = open();
    QLabel *link = w->billedHistoryLink();
    EXPECT_EQ(link->text(), QStringLiteral("Website Billed Call History"));
    EXPECT_TRUE(w->rect().contains(link->geometry()));
    EXPECT_FALSE(w->mask().intersects(link->geometry())) << "the link is placed where the window is cut away";
    EXPECT_TRUE(w->mask().contains(w->list()->geometry()));
    EXPECT_TRUE(w->mask().contains(w->clearButton()->geometry()));
}

TEST_F(RecentWindowTest, AClearThatCannotBeWrittenLeavesTheFileWholeAndTellsTheUser)
{
    writeBytes(log.filePath(), kHistory);
    auto w = open();
    clickTab(*w, 'M');
    {
        FileSizeLimit full(16); // the new content is far longer
        ASSERT_TRUE(full.active());
        QTest::mouseClick(w->clearButton(), Qt::LeftButton);
    }
    EXPECT_EQ(readBytes(log.filePath()), kHistory);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_TRUE(boxes.shown[0].text.startsWith(QStringLiteral("Could not save the call history: ")))
        << boxes.shown[0].text.toStdString();
    EXPECT_GT(boxes.shown[0].text.size(), 34) << "the reason follows";
    EXPECT_EQ(boxes.shown[0].icon, MessageBoxes::Icon::Error);
    EXPECT_EQ(w->list()->count(), 2) << "the entries are still in the file, so still listed";
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList { "recentcall.txt" });
}
