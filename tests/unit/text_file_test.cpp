// Text files as lines: line ends, the reading of bytes that are not UTF-8,
// byte-exact rewrites, and the cut of what a list shows.
#include "TestFiles.h"
#include "files/TextFile.h"
#include "qt_printers.h"

#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using ralu::TextFile;
using namespace ralu::testing;

namespace {

struct TextFileTest : ::testing::Test {
    QTemporaryDir dir;
    QString path = dir.filePath(QStringLiteral("lines.txt"));

    QStringList readTexts(const QByteArray &bytes)
    {
        writeBytes(path, bytes);
        TextFile file;
        EXPECT_TRUE(file.read(path));
        return file.texts();
    }
};

} // namespace

TEST_F(TextFileTest, EveryLineEndEndsALineAndNoLineIsDropped)
{
    EXPECT_EQ(readTexts("a\r\nb\n\r\nc\xff"
                        "d\r\n\nlast"),
        QStringList({ "a", "b", "", QString::fromUtf16(u"c\u00FFd"), "", "last" }));
    EXPECT_EQ(readTexts("a\rb\r\rc\r"), QStringList({ "a", "b", "", "c" })) << "CR alone, as old Macs wrote";
    EXPECT_EQ(readTexts("a\n\rb"), QStringList({ "a", "", "b" })) << "LF CR is two line ends";
    EXPECT_EQ(readTexts("only\r\n"), QStringList({ "only" }));
    EXPECT_TRUE(readTexts("").isEmpty());

    TextFile missing;
    EXPECT_TRUE(missing.read(dir.filePath(QStringLiteral("missing.txt"))));
    EXPECT_TRUE(missing.lines().isEmpty());
    EXPECT_EQ(missing.bytes(), QByteArray());
}

TEST_F(TextFileTest, LinesThatAreNotUtf8ReadAsWindows1252AndEveryFileReadsBackAsItWas)
{
    struct Case {
        QByteArray bytes;
        const char16_t *text;
    };
    const Case cases[] = {
        { "M\xFCller--123", u"M\u00FCller--123" },
        { "\x80\x8A\x9C\x9F", u"\u20AC\u0160\u0153\u0178" },
        { "\x81\x8D\x8F\x90\x9D", u"\u0081\u008D\u008F\u0090\u009D" }, // unused in Windows-1252
        { "\xC0\xAF", u"\u00C0\u00AF" }, // "/" in too many bytes
        { "\xED\xA0\x80", u"\u00ED\u00A0\u20AC" }, // a UTF-16 surrogate
        { "ab\xE2\x82", u"ab\u00E2\u201A" }, // cut short
        { "\xF4\x90\x80\x80", u"\u00F4\u0090\u20AC\u20AC" }, // past U+10FFFF
        { "\xBF!", u"\u00BF!" }, // a continuation byte alone
        { "Zo\xC3\xAB \xE2\x82\xAC \xF0\x9F\x98\x80", u"Zo\u00EB \u20AC \U0001F600" }, // UTF-8
        { "\xEF\xBB\xBF"
          "D::1",
            u"D::1" }, // the byte order mark is no text
        { "\xEF\xBB\xBF"
          "M\xFCller",
            u"M\u00FCller" },
    };
    for (const Case &c : cases) {
        for (const QByteArray &end :
            { QByteArray("\r\n"), QByteArray("\n"), QByteArray("\r"), QByteArray() }) {
            const QByteArray bytes = c.bytes + end;
            writeBytes(path, bytes);
            TextFile file;
            ASSERT_TRUE(file.read(path));
            EXPECT_EQ(file.texts(), QStringList { QString::fromUtf16(c.text) })
                << bytes.toHex().toStdString();
            EXPECT_EQ(file.bytes(), bytes);
        }
    }

    // Each line on its own: one line's stray byte leaves its neighbours UTF-8.
    EXPECT_EQ(readTexts("M\xFCller\r\nZo\xC3\xAB\r\n"),
        QStringList({ QString::fromUtf8("M\xC3\xBCller"), QString::fromUtf8("Zo\xC3\xAB") }));
}

TEST_F(TextFileTest, NewLinesAreUtf8WithCrLfAndAnEndlessLastLineGetsOneOnceWritten)
{
    writeBytes(path,
        "\xEF\xBB\xBF"
        "M\xFCller\nlast");
    TextFile file;
    ASSERT_TRUE(file.read(path));
    file.lines().append(TextFile::Line(QString::fromUtf8("Zo\xC3\xAB")));
    const QByteArray expected = "\xEF\xBB\xBF"
                                "M\xFCller\nlast\r\nZo\xC3\xAB\r\n";
    EXPECT_EQ(file.bytes(), expected);
    ASSERT_TRUE(file.write(path));
    EXPECT_EQ(readBytes(path), expected);

    file.lines().removeLast();
    EXPECT_EQ(file.bytes(),
        QByteArray("\xEF\xBB\xBF"
                   "M\xFCller\nlast\r\n"))
        << "the line end written stays with its line";
    file.lines().clear();
    EXPECT_EQ(file.bytes(), QByteArray("\xEF\xBB\xBF")) << "the byte order mark belongs to the file";

    // Text starting with U+FEFF (pasted from somewhere) reads back as it is held.
    file.lines() = { TextFile::Line(QStringLiteral("\uFEFF\uFEFFJos\uFEFF")),
        TextFile::Line(QStringLiteral("\uFEFFb")) };
    EXPECT_EQ(file.texts(), QStringList({ QStringLiteral("Jos\uFEFF"), "b" }));
    ASSERT_TRUE(file.write(path));
    EXPECT_EQ(readTexts(readBytes(path)), file.texts());
}

TEST_F(TextFileTest, LinesLeftAfterARemovalReadBackAsTheSameLines)
{
    struct Case {
        const char *what;
        QByteArray file;
        int removed;
        QByteArray written;
    };
    const Case cases[] = {
        { "a CR alone and an empty line's LF would make one CR LF", "a\rx\r\n\nb", 1, "a\r\r\nb" },
        { "only the LF right after the CR", "a\rx\n\n\nb", 1, "a\r\r\n\nb" },
        { "a mark where files were put together would become the file's", "x\r\n\xEF\xBB\xBF\xFCy\r\n", 0,
            "\xEF\xBB\xBF\xEF\xBB\xBF\xFCy\r\n" },
        { "a mark alone on the last line", "x\n\xEF\xBB\xBF", 0, "\xEF\xBB\xBF\xEF\xBB\xBF" },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        writeBytes(path, c.file);
        TextFile file;
        ASSERT_TRUE(file.read(path));
        QStringList left = file.texts();
        left.removeAt(c.removed);
        file.lines().removeAt(c.removed);
        ASSERT_TRUE(file.write(path));
        EXPECT_EQ(readBytes(path), c.written);
        EXPECT_EQ(file.texts(), left);
        EXPECT_EQ(file.bytes(), c.written) << "written again unchanged";
        EXPECT_EQ(readTexts(c.written), left);
    }
}

TEST_F(TextFileTest, AppendedLinesFollowAByteOrderMarkAloneDirectly)
{
    writeBytes(path, "\xEF\xBB\xBF");
    ASSERT_TRUE(TextFile::appendLines(path, { QStringLiteral("D::1"), QString() }));
    EXPECT_EQ(readBytes(path),
        QByteArray("\xEF\xBB\xBF"
                   "D::1\r\n\r\n"));
    EXPECT_EQ(readTexts(readBytes(path)), QStringList({ "D::1", "" }));
}

TEST_F(TextFileTest, AFileThatCannotBeReadSaysWhy)
{
    TextFile file;
    QString error;
    EXPECT_FALSE(file.read(dir.path(), &error)) << "a folder";
    EXPECT_FALSE(error.isEmpty());
    EXPECT_TRUE(file.lines().isEmpty());
}

TEST_F(TextFileTest, WhatIsNotARegularFileIsRefusedByNameNeitherFollowedNorWaitedOn)
{
    const std::pair<NotAFile, const char *> cases[] = {
        { NotAFile::Link, "a symbolic link, which Ralu does not follow" },
        { NotAFile::DanglingLink, "a symbolic link, which Ralu does not follow" },
        { NotAFile::Fifo, "not a regular file" },
        { NotAFile::Folder, "Is a directory" },
    };
    for (const auto &[what, reason] : cases) {
        SCOPED_TRACE(reason);
        QTemporaryDir place;
        const QString at = place.filePath(QStringLiteral("lines.txt"));
        const QString target = place.filePath(QStringLiteral("target"));
        putNotAFile(what, at, target);
        QString errors[4];
        TextFile file;
        EXPECT_FALSE(file.read(at, &errors[0]));
        EXPECT_FALSE(TextFile::appendLines(at, { QStringLiteral("D::1") }, &errors[1]));
        EXPECT_FALSE(TextFile::readTail(
            at, 100, [](const QString &) {}, &errors[2]));
        EXPECT_FALSE(TextFile::removeLines(
            at, [](const QString &) { return true; }, 100, &errors[3]));
        for (const QString &error : errors)
            EXPECT_EQ(error, at + QStringLiteral(": ") + QString::fromLatin1(reason));
        EXPECT_EQ(readBytes(target), what == NotAFile::Link ? QByteArray("the target\n") : "<missing>");
        EXPECT_EQ(QFileInfo(at).isSymLink(), what == NotAFile::Link || what == NotAFile::DanglingLink);
    }
}

TEST(TextFileShown, LongTextIsCutToWhatAListCanShowWithoutHalvingACharacter)
{
    const QString x255(255, QLatin1Char('x'));
    const QString emoji = QString::fromUtf8("\xF0\x9F\x98\x80");
    EXPECT_EQ(TextFile::shown(x255 + "yz"), x255 + "y");
    EXPECT_EQ(TextFile::shown(x255 + "y"), x255 + "y");
    EXPECT_EQ(TextFile::shown(x255 + emoji), x255) << "a surrogate pair goes whole";
    EXPECT_EQ(TextFile::shown(QString(254, QLatin1Char('x')) + emoji + "z"),
        QString(254, QLatin1Char('x')) + emoji);
    EXPECT_EQ(TextFile::shown(QString()), QString());
}
