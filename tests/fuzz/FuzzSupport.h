// What the fuzz targets share: the check that ends the run on a broken
// invariant, the parameters taken from the end of an input, the folder the
// files go to, and the lines of a file told apart without TextFile.
#pragma once

#include <QByteArray>
#include <QFile>
#include <QList>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace ralu::fuzz {

// libFuzzer keeps the input that ends the process and names it.
[[noreturn]] inline void broken(const char *condition, const char *file, int line)
{
    std::fprintf(stderr, "%s:%d: invariant broken: %s\n", file, line, condition);
    std::abort();
}

#define FUZZ_CHECK(condition)                                                                                \
    do {                                                                                                     \
        if (!(condition))                                                                                    \
            ::ralu::fuzz::broken(#condition, __FILE__, __LINE__);                                            \
    } while (false)

// Bytes for a message: printable ASCII as it is, anything else as \xNN.
inline QByteArray shown(const QByteArray &bytes)
{
    QByteArray out;
    for (const char c : bytes) {
        if (c >= 0x20 && c < 0x7F && c != '\\')
            out += c;
        else
            out += "\\x" + QByteArray::number(static_cast<unsigned char>(c), 16).rightJustified(2, '0');
    }
    return out;
}
inline QByteArray shown(const QString &text)
{
    return shown(text.toUtf8());
}
inline QByteArray shown(const QStringList &texts)
{
    return shown(texts.join(QLatin1String("\n")));
}

// The same, showing both sides (texts or bytes) when they differ.
#define FUZZ_CHECK_EQ(actual, expected)                                                                      \
    do {                                                                                                     \
        const auto &a_ = (actual);                                                                           \
        const auto &e_ = (expected);                                                                         \
        if (!(a_ == e_)) {                                                                                   \
            std::fprintf(stderr, "actual:   %s\nexpected: %s\n", ::ralu::fuzz::shown(a_).constData(),        \
                ::ralu::fuzz::shown(e_).constData());                                                        \
            ::ralu::fuzz::broken(#actual " == " #expected, __FILE__, __LINE__);                              \
        }                                                                                                    \
    } while (false)

// An input whose front is the data under test, a file as an editor wrote it
// or a reply as a server sent it, and whose last few bytes choose what is
// done with it. A seed is such a file with a few bytes added at its end.
class Input {
public:
    Input(const uint8_t *data, size_t size)
        : m_data(reinterpret_cast<const char *>(data))
        , m_size(static_cast<qsizetype>(size))
    {
    }

    // The last byte not taken yet; 0 once nothing is left.
    unsigned byte() { return m_size > 0 ? static_cast<unsigned char>(m_data[--m_size]) : 0u; }
    // A short text: its length is the next byte (at most `most`), its bytes
    // are the ones before that.
    QByteArray bytes(unsigned most)
    {
        const qsizetype n = qMin<qsizetype>(byte() % (most + 1), m_size);
        m_size -= n;
        return QByteArray(m_data + m_size, n);
    }
    // What the parameters left: the data under test.
    QByteArray rest() const { return QByteArray(m_data, m_size); }

private:
    const char *m_data;
    qsizetype m_size;
};

// One folder for the whole run; run.sh points TMPDIR at a memory file
// system where there is one, so the many rewrites cost no disk.
inline QString filePath(const char *name)
{
    static QTemporaryDir dir;
    if (!dir.isValid()) {
        std::fprintf(stderr, "fuzz: no temporary folder: %s\n", qPrintable(dir.errorString()));
        std::abort();
    }
    return dir.filePath(QString::fromLatin1(name));
}

inline void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size()) {
        std::fprintf(stderr, "fuzz: cannot write %s\n", qPrintable(path));
        std::abort();
    }
}

inline QByteArray readFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "fuzz: cannot read %s\n", qPrintable(path));
        std::abort();
    }
    return file.readAll();
}

// The file's lines as an editor shows them, each with the line end it had:
// CR LF, LF or CR alone, none on a last line. A UTF-8 byte order mark at the
// start is no part of any line.
struct Lines {
    QByteArray bom;
    QList<QByteArray> text; // each line without its end
    QList<QByteArray> end;

    explicit Lines(QByteArray content)
    {
        if (content.startsWith("\xEF\xBB\xBF")) {
            bom = content.left(3);
            content.remove(0, 3);
        }
        QByteArray line;
        for (qsizetype i = 0; i < content.size(); ++i) {
            const char c = content.at(i);
            if (c != '\r' && c != '\n') {
                line += c;
                continue;
            }
            const bool crLf = c == '\r' && i + 1 < content.size() && content.at(i + 1) == '\n';
            text << line;
            end << (crLf ? QByteArray("\r\n") : QByteArray(1, c));
            line.clear();
            i += crLf ? 1 : 0;
        }
        if (!line.isEmpty()) {
            text << line;
            end << QByteArray();
        }
    }

    qsizetype size() const { return text.size(); }
    // Line i and its end, as read.
    QByteArray piece(qsizetype i) const { return text.at(i) + end.at(i); }

    // Lines put back together after the byte order mark, so that they read
    // back as the same lines: where an empty line ended by LF comes right
    // after a CR alone, its LF is written CR LF, or the two would read as
    // one line end; a first line that starts like a byte order mark gets
    // one before it, or reading would take its start for the file's.
    QByteArray joined(const QList<QByteArray> &pieces) const
    {
        QByteArray out = bom;
        if (bom.isEmpty() && !pieces.isEmpty() && pieces.first().startsWith("\xEF\xBB\xBF"))
            out = "\xEF\xBB\xBF";
        for (const QByteArray &p : pieces)
            out += p == "\n" && out.endsWith('\r') ? QByteArray("\r\n") : p;
        return out;
    }

    // The file again, each line as it was but line `at`, which becomes
    // `instead` (nothing: the line is gone).
    QByteArray joined(qsizetype at = -1, const QByteArray &instead = {}) const
    {
        QList<QByteArray> pieces;
        for (qsizetype i = 0; i < size(); ++i) {
            if (i != at)
                pieces << piece(i);
            else if (!instead.isEmpty())
                pieces << instead;
        }
        return joined(pieces);
    }
    // The last line has no line end.
    bool openEnd() const { return size() > 0 && end.last().isEmpty(); }
};

// A line's text as the user's files are read: UTF-8 where valid, else
// Windows-1252, where only 0x80-0x9F are not Latin-1.
inline bool readsAs(const QByteArray &bytes, const QString &text)
{
    if (QByteArrayView(bytes).isValidUtf8())
        return text == QString::fromUtf8(bytes);
    if (text.size() != bytes.size())
        return false;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto b = static_cast<unsigned char>(bytes.at(i));
        if ((b < 0x80 || b > 0x9F) ? text.at(i).unicode() != b : text.at(i).unicode() < 0x80)
            return false;
    }
    return true;
}

} // namespace ralu::fuzz
