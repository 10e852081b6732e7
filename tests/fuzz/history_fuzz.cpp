// The call history file as any editor or an older program may have left it:
// read as lines (TextFile), listed by kind (RecentList, its newest entries),
// one kind cleared (in pieces), one call added (CallHistoryLog).
//
// Input: the file, then from its end: the kind listed and cleared, the
// kind of the call added, and the number called (up to 40 bytes).
#include "FuzzSupport.h"

#include "calls/CallHistoryLog.h"
#include "calls/RecentList.h"
#include "engine/Clock.h"
#include "engine/MessageBoxes.h"
#include "files/TextFile.h"

#include <QFileInfo>

using namespace ralu;
using namespace ralu::fuzz;

namespace {

class FixedClock : public Clock {
public:
    QDateTime now() const override { return QDateTime(QDate(2010, 1, 1), QTime(0, 5)); }
};

class NoBoxes : public MessageBoxes {
public:
    void show(const QString &, Icon) override { ++shown; }
    int shown = 0;
};

const QChar kKinds[] = { u'D', u'R', u'M' };

// Whether a line read from the file is an entry of kind k: its text
// starts with the letter (a byte order mark before it, left where files
// were put together, is no part of the text).
bool ofKind(const QByteArray &line, int k)
{
    const QString text
        = QByteArrayView(line).isValidUtf8() ? QString::fromUtf8(line) : QString::fromLatin1(line);
    return text.startsWith(kKinds[k]);
}

// What the list shows for each kind, in file order.
QList<QStringList> listed(const QString &path, NoBoxes &boxes)
{
    QList<QStringList> all;
    for (QChar kind : kKinds) {
        RecentList list(path, boxes);
        list.setKind(kind);
        list.load();
        all << list.items();
    }
    return all;
}

void checkRead(const QByteArray &content, const Lines &lines)
{
    TextFile file;
    FUZZ_CHECK(file.read(filePath(CallHistoryLog::kFileName)));
    // Read and given back unchanged, the bytes are the file's.
    FUZZ_CHECK(file.bytes() == content);
    const QStringList texts = file.texts();
    FUZZ_CHECK(texts.size() == lines.size());
    for (qsizetype i = 0; i < texts.size(); ++i)
        FUZZ_CHECK(readsAs(lines.text.at(i), texts.at(i)));

    const QString copy = filePath("copy.txt");
    FUZZ_CHECK(file.write(copy));
    FUZZ_CHECK(readFile(copy) == content);
}

void checkListed(const Lines &lines, const QList<QStringList> &items)
{
    for (int k = 0; k < 3; ++k) {
        // The newest RecentList::kMaxListed entries of the kind.
        qsizetype older = -RecentList::kMaxListed, n = 0;
        for (const QByteArray &line : lines.text)
            older += ofKind(line, k) ? 1 : 0;
        for (const QByteArray &line : lines.text) {
            if (!ofKind(line, k) || older-- > 0)
                continue;
            FUZZ_CHECK(n < items[k].size());
            const QString &item = items[k].at(n++);
            FUZZ_CHECK(item.size() <= TextFile::kShownLength);
            FUZZ_CHECK(item.isEmpty() || !item.back().isHighSurrogate()); // never half a character
            if (QByteArrayView(line).isValidUtf8())
                FUZZ_CHECK(QString::fromUtf8(line).mid(3).startsWith(item));
        }
        FUZZ_CHECK(n == items[k].size());
    }
}

// Clearing a kind takes out its lines and leaves every other byte in place.
void checkClear(const QString &path, const Lines &lines, int k, const QList<QStringList> &listedBefore)
{
    TextFile before;
    FUZZ_CHECK(before.read(path));
    QList<QByteArray> kept;
    QStringList keptTexts;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (!ofKind(lines.text.at(i), k)) {
            kept << lines.piece(i);
            keptTexts << before.texts().at(i);
        }
    }

    NoBoxes boxes;
    RecentList list(path, boxes);
    list.setKind(kKinds[k]);
    list.load();
    FUZZ_CHECK(list.clearKind());
    FUZZ_CHECK(list.items().isEmpty() && boxes.shown == 0);
    FUZZ_CHECK_EQ(readFile(path), lines.joined(kept));
    // The lines left read back as they were, empty ones included.
    TextFile left;
    FUZZ_CHECK(left.read(path));
    FUZZ_CHECK_EQ(left.texts(), keptTexts);

    QList<QStringList> after = listed(path, boxes);
    FUZZ_CHECK(after[k].isEmpty());
    after[k] = listedBefore[k];
    FUZZ_CHECK(after == listedBefore);
}

// A call adds its entry and an empty line after whatever is there, which
// stays as it was.
void checkAdd(const QString &path, const QByteArray &content, int kind, const QString &number)
{
    TextFile old;
    FUZZ_CHECK(old.read(path));
    FixedClock clock;
    CallHistoryLog log(QFileInfo(path).path(), clock);
    const bool added = log.addRecentCall(number, kind);
    const QByteArray now = readFile(path);
    if (kind < CallHistoryLog::Missed || kind > CallHistoryLog::Dialed) {
        FUZZ_CHECK(!added && now == content);
        return;
    }
    FUZZ_CHECK(added);
    FUZZ_CHECK(now.startsWith(content) && now.endsWith("]\r\n\r\n"));
    TextFile file;
    FUZZ_CHECK(file.read(path));
    const QStringList texts = file.texts();
    FUZZ_CHECK(texts.size() == old.texts().size() + 2);
    FUZZ_CHECK(texts.mid(0, texts.size() - 2) == old.texts());
    const QString entry = texts.at(texts.size() - 2);
    FUZZ_CHECK(entry.startsWith(QLatin1String(kind == 0 ? "M::" : kind == 1 ? "R::" : "D::")));
    FUZZ_CHECK(entry.endsWith(QLatin1String("  [01/01/10 12:05 AM]")));
    FUZZ_CHECK(texts.last().isEmpty());
    // The number is kept as it came, but for what would break its line.
    if (!number.contains(u'\r') && !number.contains(u'\n'))
        FUZZ_CHECK(entry.mid(3).startsWith(number));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    Input input(data, size);
    const int cleared = input.byte() % 3;
    const int kind = static_cast<int>(input.byte() % 5) - 1; // -1 and 3 are no kinds
    const QString number = QString::fromUtf8(input.bytes(40));
    const QByteArray content = input.rest();
    const Lines lines(content);

    const QString path = filePath(CallHistoryLog::kFileName);
    writeFile(path, content);
    checkRead(content, lines);
    NoBoxes boxes;
    const QList<QStringList> items = listed(path, boxes);
    checkListed(lines, items);
    checkClear(path, lines, cleared, items);

    writeFile(path, content);
    checkAdd(path, content, kind, number);
    return 0;
}
