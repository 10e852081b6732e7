// The phone book window over a real PhoneBook.txt: the two modes, add, edit
// and delete with their checks and messages, the number box's keys, calling,
// lines written by hand, rewrites that fail or are cut short, and files too
// large or not regular files, refused.
#include "FileSizeLimit.h"
#include "RegisteredPhone.h"
#include "TestFiles.h"
#include "account/PhoneBook.h"
#include "qt_printers.h"
#include "skin/PictureButton.h"
#include "windows/PhoneBookWindow.h"

#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

using namespace ralu;
using namespace ralu::testing;

namespace {

QStringList items(const PhoneBookWindow &window)
{
    QStringList result;
    for (int i = 0; i < window.list()->count(); ++i)
        result << window.list()->item(i)->text();
    return result;
}

struct PhoneBookTest : ::testing::Test, RegisteredPhone {
    QTemporaryDir dir;
    QString path;

    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        path = dir.filePath(QStringLiteral("PhoneBook.txt"));
        registerAccount();
    }

    std::unique_ptr<PhoneBookWindow> open()
    {
        auto w = std::make_unique<PhoneBookWindow>(
            dir.path(), state, boxes, [this](const QString &n) { return dialer.callNumber(n); }, &window);
        w->show();
        w->activateWindow();
        return w;
    }

    // Picks an item the way a click does.
    static void pick(PhoneBookWindow &w, int item)
    {
        QListWidget *list = w.list();
        QTest::mouseClick(
            list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(item)).center());
        ASSERT_EQ(list->currentRow(), item);
    }

    static void fill(PhoneBookWindow &w, const QString &name, const QString &number)
    {
        w.nameBox()->setText(name);
        w.numberBox()->setText(number);
    }

    static bool inAddMode(const PhoneBookWindow &w)
    {
        return w.list()->currentRow() == 0 && w.nameBox()->text().isEmpty() && w.numberBox()->text().isEmpty()
            && w.addButton()->isEnabled() && !w.editButton()->isEnabled() && !w.deleteButton()->isEnabled()
            && !w.callButton()->isEnabled();
    }

    // The one message shown since the last call, as "text|icon|title".
    QString takeMessage()
    {
        QString result = QStringLiteral("<%1 boxes>").arg(boxes.shown.size());
        if (boxes.shown.size() == 1)
            result = boxes.shown[0].text + QLatin1Char('|') + QString::number(int(boxes.shown[0].icon))
                + QLatin1Char('|') + boxes.shown[0].title;
        boxes.shown.clear();
        return result;
    }

    static QString plain(const char *text) { return QString::fromLatin1(text) + QStringLiteral("|0|Ralu"); }
};

} // namespace

TEST_F(PhoneBookTest, FirstOpeningCreatesAnEmptyFileAndTheOpenFlagLastsUntilClosing)
{
    ASSERT_FALSE(QFile::exists(path));
    auto w = open();
    EXPECT_EQ(readBytes(path), QByteArray());
    EXPECT_EQ(items(*w), QStringList { "NEW ITEM" });
    EXPECT_TRUE(inAddMode(*w));
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_TRUE(state.blnPhoneBookOpen);
    QTest::mouseClick(w->closeImage(), Qt::LeftButton);
    EXPECT_FALSE(w->isVisible());
    EXPECT_FALSE(state.blnPhoneBookOpen);

    w = open();
    EXPECT_TRUE(state.blnPhoneBookOpen);
    QTest::keyClick(w.get(), Qt::Key_Escape); // any other way of closing
    EXPECT_FALSE(w->isVisible());
    EXPECT_FALSE(state.blnPhoneBookOpen);
}

TEST_F(PhoneBookTest, AddStoresTheTrimmedContactLastAndReturnsToAddMode)
{
    writeBytes(path, "Alice--1\r\n");
    auto w = open();
    fill(*w, QStringLiteral("  Bob "), QStringLiteral("123"));
    QTest::mouseClick(w->addButton(), Qt::LeftButton);
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_EQ(readBytes(path), QByteArray("Alice--1\r\nBob--123\r\n"));
    EXPECT_EQ(items(*w), (QStringList { "NEW ITEM", "Alice--1", "Bob--123" }));
    EXPECT_TRUE(inAddMode(*w));
}

TEST_F(PhoneBookTest, AddChecksNameNumberAndDuplicatesInThatOrder)
{
    writeBytes(path, "Bob--123\r\nCarol\r\n");
    auto w = open();

    fill(*w, QStringLiteral("   "), QString());
    QTest::mouseClick(w->addButton(), Qt::LeftButton);
    EXPECT_EQ(takeMessage(), plain(" Please Enter Buddy Name "));
    EXPECT_EQ(w->focusWidget(), w->nameBox());

    fill(*w, QStringLiteral("Dave"), QString());
    QTest::mouseClick(w->addButton(), Qt::LeftButton);
    EXPECT_EQ(takeMessage(), plain("Please Enter Phone Number."));
    EXPECT_EQ(w->focusWidget(), w->numberBox());

    // Letter case does not matter; a line without "--" counts by its whole text.
    for (const char *name : { "bob", "BOB", "carol" }) {
        fill(*w, QString::fromLatin1(name), QStringLiteral("9"));
        QTest::mouseClick(w->addButton(), Qt::LeftButton);
        EXPECT_EQ(takeMessage(), plain(" Oops..!!! Name Already Exist.Please Enter Another Name ")) << name;
        EXPECT_EQ(w->nameBox()->text(), QString::fromLatin1(name)) << "the boxes keep their text";
        EXPECT_EQ(w->numberBox()->text(), QStringLiteral("9"));
    }
    EXPECT_EQ(readBytes(path), QByteArray("Bob--123\r\nCarol\r\n"));
    EXPECT_EQ(w->list()->count(), 3);

    // The check compares the name as typed: a leading blank gets Bob in twice.
    fill(*w, QStringLiteral(" Bob"), QStringLiteral("5"));
    QTest::mouseClick(w->addButton(), Qt::LeftButton);
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_EQ(readBytes(path), QByteArray("Bob--123\r\nCarol\r\nBob--5\r\n"));
}

TEST_F(PhoneBookTest, SelectingSwitchesModesAndEditReplacesInPlaceWithoutADuplicateCheck)
{
    writeBytes(path, "Ann--1\r\nBen--2\r\nCy--3\r\n");
    auto w = open();
    pick(*w, 2);
    EXPECT_EQ(w->nameBox()->text(), QStringLiteral("Ben"));
    EXPECT_EQ(w->numberBox()->text(), QStringLiteral("2"));
    EXPECT_FALSE(w->addButton()->isEnabled());
    EXPECT_TRUE(w->editButton()->isEnabled());
    EXPECT_TRUE(w->deleteButton()->isEnabled());
    EXPECT_TRUE(w->callButton()->isEnabled());
    pick(*w, 0);
    EXPECT_TRUE(inAddMode(*w)) << "NEW ITEM cannot be edited, deleted or called";

    pick(*w, 2);
    fill(*w, QStringLiteral("ann "), QStringLiteral("22"));
    QTest::mouseClick(w->editButton(), Qt::LeftButton);
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_EQ(readBytes(path), QByteArray("Ann--1\r\nann--22\r\nCy--3\r\n"));
    EXPECT_TRUE(inAddMode(*w));

    // Blanks only pass the edit's check and store an empty name.
    pick(*w, 3);
    fill(*w, QStringLiteral("   "), QStringLiteral("33"));
    QTest::mouseClick(w->editButton(), Qt::LeftButton);
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_EQ(readBytes(path), QByteArray("Ann--1\r\nann--22\r\n--33\r\n"));

    pick(*w, 1);
    fill(*w, QString(), QStringLiteral("1"));
    QTest::mouseClick(w->editButton(), Qt::LeftButton);
    EXPECT_EQ(takeMessage(), plain(" Please Enter Buddys Name "));
    EXPECT_EQ(w->focusWidget(), w->nameBox());
    fill(*w, QStringLiteral("Ann"), QString());
    QTest::mouseClick(w->editButton(), Qt::LeftButton);
    EXPECT_EQ(takeMessage(), plain("Please Enter Phone Number."));
    EXPECT_EQ(w->focusWidget(), w->numberBox());
    EXPECT_EQ(readBytes(path), QByteArray("Ann--1\r\nann--22\r\n--33\r\n"));
    EXPECT_EQ(w->list()->currentRow(), 1) << "a refused edit stays in edit mode";
}

TEST_F(PhoneBookTest, ANameHoldingTheSeparatorIsStoredAsTypedAndSplitAtItOnSelection)
{
    auto w = open();
    fill(*w, QStringLiteral("Jo--Ann"), QStringLiteral("12"));
    QTest::mouseClick(w->addButton(), Qt::LeftButton);
    EXPECT_EQ(readBytes(path), QByteArray("Jo--Ann--12\r\n"));
    pick(*w, 1);
    EXPECT_EQ(w->nameBox()->text(), QStringLiteral("Jo"));
    EXPECT_EQ(w->numberBox()->text(), QStringLiteral("Ann"));
}

TEST_F(PhoneBookTest, DeleteKeepsTheOrderOfTheRestAndNewItemCannotBeDeleted)
{
    writeBytes(path, "Ann--1\r\nBen--2\r\nCy--3\r\n");
    auto w = open();
    pick(*w, 2);
    QTest::mouseClick(w->deleteButton(), Qt::LeftButton);
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_EQ(readBytes(path), QByteArray("Ann--1\r\nCy--3\r\n"));
    EXPECT_EQ(items(*w), (QStringList { "NEW ITEM", "Ann--1", "Cy--3" }));
    EXPECT_TRUE(inAddMode(*w));

    w->deleteClicked(); // item 0 selected
    EXPECT_EQ(takeMessage(), plain("Can't Delete."));
    EXPECT_EQ(readBytes(path), QByteArray("Ann--1\r\nCy--3\r\n"));
    EXPECT_EQ(w->list()->count(), 3);
}

TEST_F(PhoneBookTest, CallDialsTheNumberBoxAndCloses)
{
    writeBytes(path, "Bob--555\r\n");
    auto w = open();
    pick(*w, 1);
    QTest::mouseClick(w->callButton(), Qt::LeftButton);
    EXPECT_EQ(window.numberBox()->text(), QStringLiteral("555"));
    EXPECT_EQ(dialedAddresses(), std::vector<std::string> { "sip:555@127.0.0.1" });
    EXPECT_FALSE(w->isVisible());
    EXPECT_FALSE(state.blnPhoneBookOpen);
}

TEST_F(PhoneBookTest, CallWithAnEmptiedNumberLeavesTheChecksToMakeCall)
{
    writeBytes(path, "Bob--555\r\n");
    auto w = open();
    pick(*w, 1);
    w->numberBox()->clear();
    QTest::mouseClick(w->callButton(), Qt::LeftButton);
    EXPECT_EQ(takeMessage(), plain("Enter number to call"));
    EXPECT_TRUE(rtc.createdSessions.empty());
    EXPECT_FALSE(w->isVisible());
}

TEST_F(PhoneBookTest, CallDoesNothingWhileACallIsBeingPlaced)
{
    writeBytes(path, "Bob--555\r\n");
    ASSERT_TRUE(engine.dial(QStringLiteral("777")));
    auto outgoing = rtc.createdSessions.back();
    rtc.session(outgoing, RTCSS_INPROGRESS);
    ASSERT_TRUE(engine.calling());
    engine.setNumberText(QStringLiteral("42"));

    auto w = open();
    pick(*w, 1);
    QTest::mouseClick(w->callButton(), Qt::LeftButton);
    EXPECT_TRUE(w->isVisible());
    EXPECT_TRUE(state.blnPhoneBookOpen);
    EXPECT_EQ(window.numberBox()->text(), QStringLiteral("42"));
    EXPECT_EQ(rtc.createdSessions.size(), 1u) << "only the call being placed";
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(PhoneBookTest, NumberBoxTakesDigitsAndBackspaceOnlyAndTellsWhy)
{
    auto w = open();
    QLineEdit *number = w->numberBox();
    number->setFocus();
    const QString refused = QStringLiteral("Numbers 0 to 9 only, please!|%1|Input Error")
                                .arg(int(MessageBoxes::Icon::Exclamation));

    QTest::keyClicks(number, QStringLiteral("12a3"));
    EXPECT_EQ(number->text(), QStringLiteral("123"));
    EXPECT_EQ(takeMessage(), refused);

    for (Qt::Key key : { Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape, Qt::Key_Space, Qt::Key_Plus }) {
        QTest::keyClick(number, key);
        EXPECT_EQ(takeMessage(), refused) << key;
    }
    QGuiApplication::clipboard()->setText(QStringLiteral("99"));
    QTest::keyClick(number, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(takeMessage(), refused) << "a control key";
    EXPECT_EQ(number->text(), QStringLiteral("123"));
    EXPECT_TRUE(w->isVisible()) << "Escape in the number box does not close the window";

    QTest::keyClick(number, Qt::Key_Backspace);
    QTest::keyClick(number, Qt::Key_Left);
    QTest::keyClick(number, Qt::Key_Delete);
    QTest::keyClick(number, Qt::Key_7, Qt::KeypadModifier);
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_EQ(number->text(), QStringLiteral("17"));

    // Pasted text obeys the same rule, and the box holds 25 digits at most.
    number->insert(QStringLiteral("4x"));
    EXPECT_EQ(number->text(), QStringLiteral("17"));
    QTest::keyClicks(number, QString(30, QLatin1Char('8')));
    EXPECT_EQ(number->text().size(), 25);
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(PhoneBookTest, NameBoxHoldsThirtyCharactersNotThirtyCodeUnits)
{
    auto w = open();
    QLineEdit *name = w->nameBox();
    name->insert(QString(29, QLatin1Char('a')) + QString::fromUtf8("\xF0\x9F\x98\x80")); // 29 + one emoji
    EXPECT_EQ(name->text().toUcs4().size(), 30);
    name->insert(QStringLiteral("b"));
    EXPECT_EQ(name->text().toUcs4().size(), 30);
    w->numberBox()->setText(QStringLiteral("1"));
    QTest::mouseClick(w->addButton(), Qt::LeftButton);
    EXPECT_EQ(readBytes(path), QString(29, QLatin1Char('a')).toUtf8() + "\xF0\x9F\x98\x80--1\r\n");
}

TEST_F(PhoneBookTest, ALineBreakPastedIntoTheNameIsStoredAsABlank)
{
    writeBytes(path, "Ann--1\r\n");
    auto w = open();
    w->nameBox()->insert(QStringLiteral("Bob\r\nSmith\n"));
    ASSERT_EQ(w->nameBox()->text(), QStringLiteral("Bob\r\nSmith\n")) << "a paste keeps its line breaks";
    w->numberBox()->setText(QStringLiteral("123"));
    QTest::mouseClick(w->addButton(), Qt::LeftButton);
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_EQ(readBytes(path), QByteArray("Ann--1\r\nBob  Smith--123\r\n"));
    EXPECT_EQ(items(*w), (QStringList { "NEW ITEM", "Ann--1", "Bob  Smith--123" }));

    pick(*w, 1);
    w->nameBox()->setText(QStringLiteral("Ann\rLee"));
    QTest::mouseClick(w->editButton(), Qt::LeftButton);
    EXPECT_EQ(readBytes(path), QByteArray("Ann Lee--1\r\nBob  Smith--123\r\n"));
}

TEST_F(PhoneBookTest, AZeroWidthMarkStartingANameIsNotStoredSinceItWouldNotReadBack)
{
    writeBytes(path, "Ann--1\n");
    auto w = open();
    pick(*w, 1);
    fill(*w, QStringLiteral("\uFEFFAnn"), QStringLiteral("1"));
    QTest::mouseClick(w->editButton(), Qt::LeftButton);
    EXPECT_EQ(readBytes(path), QByteArray("Ann--1\n")) << "saved unchanged";

    pick(*w, 0);
    fill(*w, QStringLiteral("\uFEFFBob"), QStringLiteral("2"));
    QTest::mouseClick(w->addButton(), Qt::LeftButton);
    EXPECT_EQ(readBytes(path), QByteArray("Ann--1\nBob--2\r\n"));
    EXPECT_EQ(items(*w), (QStringList { "NEW ITEM", "Ann--1", "Bob--2" }));
}

TEST_F(PhoneBookTest, LinesWrittenByHandAreShownSelectableAndKeptOnRewrite)
{
    // No separator, an empty line, a line ended by LF alone, a byte that is no
    // UTF-8 (Windows-1252 e acute).
    writeBytes(path, "Ann--1\r\nno separator here\r\n\r\nBen--2\nCaf\xE9--7\r\n");
    auto w = open();
    EXPECT_EQ(items(*w),
        (QStringList {
            "NEW ITEM", "Ann--1", "no separator here", "", "Ben--2", QString::fromUtf8("Caf\xC3\xA9--7") }));
    pick(*w, 2);
    EXPECT_EQ(w->nameBox()->text(), QStringLiteral("no separator here"));
    EXPECT_EQ(w->numberBox()->text(), QString());
    EXPECT_TRUE(w->editButton()->isEnabled());
    pick(*w, 3);
    EXPECT_EQ(w->nameBox()->text(), QString());
    EXPECT_EQ(w->numberBox()->text(), QString());

    pick(*w, 0);
    fill(*w, QStringLiteral("Zed"), QStringLiteral("9"));
    QTest::mouseClick(w->addButton(), Qt::LeftButton);
    EXPECT_EQ(
        readBytes(path), QByteArray("Ann--1\r\nno separator here\r\n\r\nBen--2\nCaf\xE9--7\r\nZed--9\r\n"));
}

TEST_F(PhoneBookTest, AddAndDeleteKeepTheBytesOfEveryLineTheyDoNotChange)
{
    struct Case {
        const char *what;
        QByteArray file;
        QStringList shown; // items 1 onward
        QByteArray added; // once Zed 9 is added
        int deleted; // the item deleted next
        QByteArray left;
    };
    const QStringList annBen { "Ann--1", "Ben--2" };
    const Case cases[] = {
        { "byte order mark",
            "\xEF\xBB\xBF"
            "Ann--1\r\nBen--2\r\n",
            annBen,
            "\xEF\xBB\xBF"
            "Ann--1\r\nBen--2\r\nZed--9\r\n",
            1,
            "\xEF\xBB\xBF"
            "Ben--2\r\nZed--9\r\n" },
        { "Windows-1252", "M\xFCller--123\r\nBen--2\r\n",
            { QString::fromUtf8("M\xC3\xBCller--123"), "Ben--2" }, "M\xFCller--123\r\nBen--2\r\nZed--9\r\n",
            2, "M\xFCller--123\r\nZed--9\r\n" },
        { "CR alone", "Ann--1\rBen--2\r", annBen, "Ann--1\rBen--2\rZed--9\r\n", 1, "Ben--2\rZed--9\r\n" },
        { "CR LF", "Ann--1\r\nBen--2\r\n", annBen, "Ann--1\r\nBen--2\r\nZed--9\r\n", 2,
            "Ann--1\r\nZed--9\r\n" },
        { "LF", "Ann--1\nBen--2\n", annBen, "Ann--1\nBen--2\nZed--9\r\n", 1, "Ben--2\nZed--9\r\n" },
        { "mixed", "Ann--1\nBen--2\r\nCy--3\rDee--4\r\n", annBen + QStringList { "Cy--3", "Dee--4" },
            "Ann--1\nBen--2\r\nCy--3\rDee--4\r\nZed--9\r\n", 3, "Ann--1\nBen--2\r\nDee--4\r\nZed--9\r\n" },
        { "no final line end", "Ann--1\r\nBen--2", annBen, "Ann--1\r\nBen--2\r\nZed--9\r\n", 3,
            "Ann--1\r\nBen--2\r\n" },
        { "invalid UTF-8", "\xC0\xAF--1\r\n\xED\xA0\x80--2\r\n\xE2\x82--3\r\n",
            { QString::fromUtf16(u"\u00C0\u00AF--1"), QString::fromUtf16(u"\u00ED\u00A0\u20AC--2"),
                QString::fromUtf16(u"\u00E2\u201A--3") },
            "\xC0\xAF--1\r\n\xED\xA0\x80--2\r\n\xE2\x82--3\r\nZed--9\r\n", 2,
            "\xC0\xAF--1\r\n\xE2\x82--3\r\nZed--9\r\n" },
    };
    for (const Case &c : cases) {
        writeBytes(path, c.file);
        PhoneBook book(dir.path(), boxes);
        book.load();
        EXPECT_EQ(book.items(), QStringList { "NEW ITEM" } + c.shown) << c.what;
        EXPECT_EQ(book.add(QStringLiteral("Zed"), QStringLiteral("9")), PhoneBook::Outcome::Saved) << c.what;
        EXPECT_EQ(readBytes(path), c.added) << c.what;
        EXPECT_EQ(book.remove(c.deleted), PhoneBook::Outcome::Saved) << c.what;
        EXPECT_EQ(readBytes(path), c.left) << c.what;
    }
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(PhoneBookTest, AnEditedContactIsWrittenAsUtf8AndOneSavedUnchangedKeepsItsBytes)
{
    writeBytes(path, "M\xFCller--123\nBen--2\n");
    auto w = open();
    pick(*w, 1);
    EXPECT_EQ(w->nameBox()->text(), QString::fromUtf8("M\xC3\xBCller"));
    QTest::mouseClick(w->editButton(), Qt::LeftButton);
    EXPECT_EQ(readBytes(path), QByteArray("M\xFCller--123\nBen--2\n"));

    pick(*w, 1);
    w->numberBox()->setText(QStringLiteral("124"));
    QTest::mouseClick(w->editButton(), Qt::LeftButton);
    EXPECT_EQ(readBytes(path), QByteArray("M\xC3\xBCller--124\r\nBen--2\n"));
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(PhoneBookTest, AHugeLineIsListedCutAndKeptWholeInTheFile)
{
    const QByteArray huge = QByteArray(PhoneBook::kMaxFileSize / 2, 'x') + "--5";
    const QByteArray before = "Ann--1\r\n" + huge + "\r\n";
    writeBytes(path, before);
    auto w = open();
    ASSERT_EQ(w->list()->count(), 3);
    const QString shown = w->list()->item(2)->text();
    EXPECT_EQ(shown.size(), TextFile::kShownLength);
    EXPECT_TRUE(shown == QString(TextFile::kShownLength, QLatin1Char('x')));

    fill(*w, QStringLiteral("Zed"), QStringLiteral("9"));
    QTest::mouseClick(w->addButton(), Qt::LeftButton);
    const QByteArray after = readBytes(path);
    EXPECT_EQ(after.size(), before.size() + 8);
    EXPECT_TRUE(after == before + "Zed--9\r\n") << "the file keeps the whole line";
}

TEST_F(PhoneBookTest, ALongContactSavedUnchangedLosesNothing)
{
    const QByteArray before = "Ann--1\r\n" + QByteArray(300, 'x') + "--5\r\n";
    writeBytes(path, before);
    auto w = open();
    pick(*w, 2);
    QTest::mouseClick(w->editButton(), Qt::LeftButton);
    EXPECT_TRUE(readBytes(path) == before)
        << "the contact is edited from its stored line, not the cut list text";
}

TEST_F(PhoneBookTest, ARewriteThatFailsLeavesTheFileWholeAndTheWindowAsItWas)
{
    const QByteArray before = "Ann--1\r\nBen--2\r\nCy--3\r\n";
    writeBytes(path, before);
    auto w = open();
    {
        FileSizeLimit full(10);
        ASSERT_TRUE(full.active());
        fill(*w, QStringLiteral("Dee"), QStringLiteral("4"));
        QTest::mouseClick(w->addButton(), Qt::LeftButton);
        pick(*w, 2);
        QTest::mouseClick(w->deleteButton(), Qt::LeftButton);
    }
    EXPECT_EQ(readBytes(path), before);
    ASSERT_EQ(boxes.shown.size(), 2u);
    for (const auto &shown : boxes.shown) {
        EXPECT_EQ(shown.text, QStringLiteral("Could not save the phone book: ") + path + ": File too large");
        EXPECT_EQ(shown.icon, MessageBoxes::Icon::Error);
    }
    EXPECT_EQ(items(*w), (QStringList { "NEW ITEM", "Ann--1", "Ben--2", "Cy--3" }));
    EXPECT_EQ(w->list()->currentRow(), 2) << "still on the contact that was not deleted";
    EXPECT_TRUE(w->deleteButton()->isEnabled());
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList { "PhoneBook.txt" });
}

TEST_F(PhoneBookTest, WhatCannotBeReadWhollyAsAFileIsToldAndNeverWritten)
{
    const QString target = dir.filePath(QStringLiteral("target"));
    const QByteArray oversized(PhoneBook::kMaxFileSize + 1, '\n');
    const std::pair<std::function<void()>, const char *> cases[] = {
        { [&] { writeBytes(path, oversized); }, "larger than 256 KB" },
        { [&] { writeBytes(path, QByteArray(PhoneBook::kMaxLines + 1, '\n')); }, "more than 20000 lines" },
        { [&] { putNotAFile(NotAFile::Fifo, path, target); }, "not a regular file" },
        { [&] { putNotAFile(NotAFile::Link, path, target); }, "a symbolic link, which Ralu does not follow" },
    };
    for (const auto &[put, reason] : cases) {
        SCOPED_TRACE(reason);
        put();
        const QString told
            = path + QStringLiteral(": ") + QString::fromLatin1(reason) + QStringLiteral("|3|Ralu");
        auto w = open();
        EXPECT_EQ(takeMessage(), QStringLiteral("Could not read the phone book: ") + told);
        EXPECT_EQ(items(*w), QStringList { "NEW ITEM" });
        fill(*w, QStringLiteral("Dee"), QStringLiteral("4"));
        QTest::mouseClick(w->addButton(), Qt::LeftButton);
        EXPECT_EQ(takeMessage(), QStringLiteral("Could not save the phone book: ") + told);
        if (QFileInfo(path).isFile() && !QFileInfo(path).isSymLink()) {
            EXPECT_FALSE(readBytes(path).contains("Dee"));
        }
        EXPECT_EQ(readBytes(target), QFile::exists(target) ? QByteArray("the target\n") : "<missing>");
        ASSERT_TRUE(QFile::remove(path));
    }
}

TEST_F(PhoneBookTest, AProcessKilledInTheMiddleOfARewriteLeavesTheOldFile)
{
    const QByteArray before = "Ann--1\r\nBen--2\r\nCy--3\r\n";
    writeBytes(path, before);
    PhoneBook book(dir.path(), boxes);
    book.load();
    // The child is killed by the kernel inside the write that crosses 12 bytes.
    EXPECT_EXIT(
        {
            FileSizeLimit dying(12, true);
            book.add(QStringLiteral("Dee"), QStringLiteral("4"));
            std::_Exit(0);
        },
        ::testing::KilledBySignal(SIGXFSZ), "");

    EXPECT_EQ(readBytes(path), before);
    // What the child got to write went to a file of its own, unnamed where
    // the system allows (gone with the process), else named beside the
    // phone book and cut at the limit.
    for (const QString &name : QDir(dir.path()).entryList(QDir::Files | QDir::Hidden)) {
        if (name != QLatin1String("PhoneBook.txt")) {
            EXPECT_EQ(readBytes(dir.filePath(name)), (before + "Dee--4\r\n").left(12)) << name.toStdString();
        }
    }

    PhoneBook reread(dir.path(), boxes);
    reread.load();
    EXPECT_EQ(reread.lines(), (QStringList { "Ann--1", "Ben--2", "Cy--3" }));
    EXPECT_TRUE(boxes.shown.empty());
}
