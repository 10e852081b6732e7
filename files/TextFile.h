// The user's text files (call history, phone book) as lines, for files the
// user may also have written by hand in any editor.
//
// Every line read keeps the bytes it came from, its line end included, and
// goes back to disk byte for byte however the rest of the file changes: a
// Windows-1252 name, an odd line end or a UTF-8 byte order mark survive any
// number of rewrites. Only lines Ralu adds or changes are written its own
// way, as UTF-8 ended by CR LF.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

namespace ralu {

class TextFile {
public:
    // The most of a line a list shows: laying out a line of megabytes takes
    // seconds, and nobody reads that far in a list anyway.
    static constexpr qsizetype kShownLength = 256;

    class Line {
    public:
        // A line Ralu writes: UTF-8, ended by CR LF. A U+FEFF at its start
        // is dropped, as reading drops it: it reads as a byte order mark.
        explicit Line(QString text = {});

        // The line without its line end: UTF-8 where the bytes are valid
        // UTF-8, otherwise read as Windows-1252, the code page such files
        // come from.
        const QString &text() const { return m_text; }

    private:
        friend class TextFile;
        QString m_text;
        QByteArray m_bytes; // as read, without the line end
        QByteArray m_end; // as read: CR LF, LF, CR, or none on the last line
        bool m_fromFile = false;
    };

    // Reads the file. A missing file reads as no lines; one that exists but
    // cannot be read, is no regular file (RegularFile.h), or is larger than
    // maxSize bytes or maxLines lines (limits when not negative) gives
    // false, no lines, and the reason in *error. CR LF, LF and CR alone each
    // end a line.
    bool read(const QString &path, QString *error = nullptr, qint64 maxSize = -1, qsizetype maxLines = -1);

    QList<Line> &lines() { return m_lines; }
    const QList<Line> &lines() const { return m_lines; }
    QStringList texts() const;

    // The whole content: the byte order mark the file began with, if any (it
    // belongs to the file and stays when its first line goes), then every
    // line. A line read without a line end gets CR LF once another follows;
    // so does an empty line ended by LF that comes to follow a line ended by
    // CR alone, which would otherwise read as one CR LF and lose that line.
    // A file without a byte order mark gets one when its first line comes
    // to start with the bytes of one, which reading would otherwise take.
    QByteArray bytes() const;

    // Replaces the file with bytes() the crash-safe way (SafeRewrite.h).
    // Once written, the lines hold the line ends they were written with.
    bool write(const QString &path, QString *error = nullptr);

    // Adds lines at the end of the file without rewriting what is there,
    // creating the file when missing. An old last line without a line end
    // first gets CR LF, so nothing joins it; a file ending in CR, likely a
    // CR LF cut short, gets the LF. A byte order mark alone is no line.
    // All of it goes in, or nothing (no room): false, with the reason.
    static bool appendLines(const QString &path, const QStringList &texts, QString *error = nullptr);

    // For files of any size (the call history), read in pieces: memory stays
    // bounded however large the file or one of its lines. A line's text is
    // read from its first LineReader::kHeadBytes bytes only.
    //
    // Gives onLine the text of each whole line in the last `tail` bytes of
    // the file, in file order. A missing file has no lines.
    static bool readTail(const QString &path, qint64 tail, const std::function<void(const QString &)> &onLine,
        QString *error = nullptr);
    // Takes out the lines whose text `remove` picks and replaces the file
    // with what write() would write after read() and that removal (every
    // line left byte for byte), copied in pieces. A file larger than
    // maxSize is left as it is: false, with the reason.
    static bool removeLines(const QString &path, const std::function<bool(const QString &)> &remove,
        qint64 maxSize, QString *error = nullptr);

    // The text as a list shows it: at most kShownLength characters.
    static QString shown(const QString &text);

private:
    QByteArray endWritten(qsizetype i) const;

    QByteArray m_bom; // a UTF-8 byte order mark the file began with
    QList<Line> m_lines;
};

} // namespace ralu
