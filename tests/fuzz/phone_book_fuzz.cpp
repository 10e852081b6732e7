// The phone book file as any editor may have left it: loaded and listed,
// then one change made through PhoneBook and checked byte for byte against
// the file it started from.
//
// Input: the file, then from its end: the change (add then remove, edit,
// remove, or an edit that keeps the stored contact), the item it concerns,
// and the name and number typed (up to 40 bytes each).
#include "FuzzSupport.h"

#include "account/PhoneBook.h"
#include "engine/MessageBoxes.h"
#include "files/TextFile.h"

#include <QFileInfo>
#include <QRegularExpression>

using namespace ralu;
using namespace ralu::fuzz;
using Outcome = PhoneBook::Outcome;

namespace {

class NoBoxes : public MessageBoxes {
public:
    void show(const QString &, Icon) override { ++shown; }
    int shown = 0;
};

struct Book {
    NoBoxes boxes;
    PhoneBook book;
    explicit Book(const QString &path)
        : book(QFileInfo(path).path(), boxes)
    {
        book.load();
    }
};

// A contact as add and edit store it, when nothing in it breaks the line:
// the line it becomes holds it as it reads back.
QString stored(const QString &name, const QString &number)
{
    return TextFile::Line(PhoneBook::trimBlanks(name) + QLatin1String("--") + PhoneBook::trimBlanks(number))
        .text();
}

void checkLoaded(const Book &b, const Lines &lines)
{
    FUZZ_CHECK(b.boxes.shown == 0);
    const QStringList texts = b.book.lines();
    const QStringList items = b.book.items();
    FUZZ_CHECK(texts.size() == lines.size() && items.size() == texts.size() + 1);
    FUZZ_CHECK(items.first() == QLatin1String(PhoneBook::kNewItem));
    for (qsizetype i = 0; i < texts.size(); ++i) {
        FUZZ_CHECK(readsAs(lines.text.at(i), texts.at(i)));
        const QString &item = items.at(i + 1);
        FUZZ_CHECK(item.size() <= TextFile::kShownLength && texts.at(i).startsWith(item));
        FUZZ_CHECK(item.size() == texts.at(i).size() || item.size() >= TextFile::kShownLength - 1);
    }
}

// A change not saved leaves the file and the list as they were.
void checkUnchanged(const Book &b, const QString &path, const QByteArray &content, const QStringList &texts)
{
    FUZZ_CHECK(readFile(path) == content);
    FUZZ_CHECK(b.book.lines() == texts);
}

// What is saved reads back as the book holds it.
void checkReadBack(const Book &b, const QString &path)
{
    Book again(path);
    FUZZ_CHECK_EQ(again.book.lines(), b.book.lines());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    Input input(data, size);
    const unsigned change = input.byte() % 4;
    const unsigned pick = input.byte();
    const QString name = QString::fromUtf8(input.bytes(40));
    const QString number = QString::fromUtf8(input.bytes(40));
    const QByteArray content = input.rest();
    const Lines lines(content);

    const QString path = filePath(PhoneBook::kFileName);
    writeFile(path, content);
    Book b(path);
    checkLoaded(b, lines);
    const QStringList texts = b.book.lines();
    const int item = static_cast<int>(pick % (lines.size() + 2)); // 0 "NEW ITEM" and one past the end too
    const bool listed = item >= 1 && item <= lines.size();
    const bool oneLine = !(name + number).contains(QRegularExpression(QStringLiteral("[\r\n]")));

    switch (change) {
    case 0: { // added, then removed again: the file as it was, the last line ended
        const Outcome added = b.book.add(name, number);
        if (added != Outcome::Saved) {
            FUZZ_CHECK(added != Outcome::NotSaved);
            checkUnchanged(b, path, content, texts);
            break;
        }
        FUZZ_CHECK(!PhoneBook::trimBlanks(name).isEmpty() && !number.isEmpty());
        const QByteArray ended = content + (lines.openEnd() ? "\r\n" : "");
        const QString entry = stored(name, number);
        if (oneLine) {
            FUZZ_CHECK(readFile(path) == ended + entry.toUtf8() + "\r\n");
            FUZZ_CHECK(b.book.lines() == texts + QStringList { entry });
        }
        checkReadBack(b, path);
        FUZZ_CHECK(b.book.remove(lines.size() + 1) == Outcome::Saved);
        FUZZ_CHECK(readFile(path) == ended);
        FUZZ_CHECK(b.book.lines() == texts);
        break;
    }
    case 1: // edited: that line replaced, every other byte kept
    case 3: { // edited to what it holds: nothing changes
        const PhoneBook::Contact contact = PhoneBook::split(listed ? texts.at(item - 1) : QString());
        const QString newName = change == 1 ? name : contact.name;
        const QString newNumber = change == 1 ? number : contact.number;
        const Outcome edited = b.book.edit(item, newName, newNumber);
        if (edited != Outcome::Saved) {
            FUZZ_CHECK(edited != Outcome::NotSaved);
            checkUnchanged(b, path, content, texts);
            break;
        }
        FUZZ_CHECK(listed && !newName.isEmpty() && !newNumber.isEmpty());
        const QString entry = stored(newName, newNumber);
        if (entry == texts.at(item - 1)) {
            checkUnchanged(b, path, content, texts);
        } else if (oneLine) {
            FUZZ_CHECK_EQ(readFile(path), lines.joined(item - 1, entry.toUtf8() + "\r\n"));
            QStringList changed = texts;
            changed[item - 1] = entry;
            FUZZ_CHECK(b.book.lines() == changed);
        }
        checkReadBack(b, path);
        break;
    }
    case 2: { // removed: that line gone, every other byte kept
        const Outcome removed = b.book.remove(item);
        if (!listed) {
            FUZZ_CHECK(removed == Outcome::Refused && (item != 0 || b.boxes.shown == 1));
            checkUnchanged(b, path, content, texts);
            break;
        }
        FUZZ_CHECK(removed == Outcome::Saved);
        FUZZ_CHECK_EQ(readFile(path), lines.joined(item - 1));
        QStringList left = texts;
        left.removeAt(item - 1);
        FUZZ_CHECK(b.book.lines() == left);
        checkReadBack(b, path);
        break;
    }
    }
    return 0;
}
