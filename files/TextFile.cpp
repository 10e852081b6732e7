#include "files/TextFile.h"

#include "files/LineReader.h"
#include "files/RegularFile.h"
#include "files/SafeRewrite.h"

#include <QFile>
#include <algorithm>
#include <cerrno>
#include <unistd.h>

namespace ralu {

namespace {

const QByteArray kBom("\xEF\xBB\xBF");
const QByteArray kCrLf("\r\n");
// Shared, so that a line end costs no memory of its own.
const QByteArray kLineEnds[] = { QByteArray(), QByteArray("\r"), QByteArray("\n"), kCrLf };

// Windows-1252 differs from Latin-1 only in 0x80-0x9F; its five unused
// places there keep the control characters' numbers.
const char16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, // 80-87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F, // 88-8F
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, // 90-97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178, // 98-9F
};

QString fromWindows1252(const QByteArray &bytes)
{
    QString text(bytes.size(), Qt::Uninitialized);
    QChar *out = text.data();
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        *out++ = byte >= 0x80 && byte <= 0x9F ? QChar(kCp1252High[byte - 0x80]) : QChar(byte);
    }
    return text;
}

QString decode(const QByteArray &bytes)
{
    return QByteArrayView(bytes).isValidUtf8() ? QString::fromUtf8(bytes) : fromWindows1252(bytes);
}

// A line read in pieces, decoded from its head: a head cut in the middle
// of a UTF-8 character loses that character's start, not its encoding.
QString textOf(const LineReader::Line &line)
{
    if (line.length > line.head.size()) {
        for (qsizetype cut = 1; cut < 4; ++cut) {
            if (QByteArrayView(line.head).chopped(cut).isValidUtf8())
                return QString::fromUtf8(line.head.chopped(cut));
        }
    }
    return decode(line.head);
}

bool report(QString *error, const QString &text)
{
    if (error)
        *error = text;
    return false;
}

QByteArray readAt(int fd, qint64 offset, qsizetype size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    const ssize_t n = ::pread(fd, bytes.data(), size_t(size), offset);
    bytes.resize(n > 0 ? n : 0);
    return bytes;
}

// What must go before appended lines so they start on a line of their
// own: nothing for an empty file (a byte order mark alone is no line) or
// one ending in LF, LF for a file cut after the CR of a CR LF, CR LF after
// a last line with no end.
QByteArray lineEndNeeded(int fd, qint64 size)
{
    const QByteArray last = size > 0 ? readAt(fd, size - 1, 1) : QByteArray();
    if (last.isEmpty() || last == "\n" || (size == kBom.size() && readAt(fd, 0, kBom.size()) == kBom))
        return {};
    return last == "\r" ? QByteArray("\n") : kCrLf;
}

// Copies ranges of one file into a new one through two buffers of a
// megabyte: a file of short lines costs a few system calls a megabyte.
class RangeCopy {
public:
    RangeCopy(int fd, FileReplacement &out)
        : m_fd(fd)
        , m_out(out)
    {
    }
    void copy(qint64 offset, qint64 length)
    {
        while (m_ok && length > 0) {
            if (offset < m_readAt || offset >= m_readAt + m_read.size()) {
                m_read = readAt(m_fd, offset, kPiece);
                m_readAt = offset;
                m_ok = !m_read.isEmpty(); // the file shrank meanwhile
            }
            const qint64 n = std::min(length, m_readAt + m_read.size() - offset);
            add(QByteArrayView(m_read).sliced(offset - m_readAt, n));
            offset += n;
            length -= n;
        }
    }
    void add(QByteArrayView bytes)
    {
        m_written += bytes;
        if (m_written.size() >= kPiece)
            flush();
    }
    // False once a copy failed: the file could not be read, or the new one
    // written.
    bool flush()
    {
        m_ok = m_ok && m_out.write(m_written);
        m_written.clear();
        return m_ok;
    }

private:
    static constexpr qsizetype kPiece = 1 << 20;
    int m_fd;
    FileReplacement &m_out;
    QByteArray m_read, m_written;
    qint64 m_readAt = 0;
    bool m_ok = true;
};

} // namespace

TextFile::Line::Line(QString text)
    : m_text(std::move(text))
{
    // Read back, a U+FEFF starting a line is taken for a byte order mark.
    while (m_text.startsWith(QChar(0xFEFF)))
        m_text.remove(0, 1);
}

bool TextFile::read(const QString &path, QString *error, qint64 maxSize, qsizetype maxLines)
{
    m_bom.clear();
    m_lines.clear();
    RegularFile file;
    if (!file.open(path, RegularFile::Access::Read))
        return file.missing() || report(error, file.error());
    if (maxSize >= 0 && file.size() > maxSize)
        return report(error, RegularFile::failure(path, RegularFile::tooLarge(maxSize)));
    QFile reader;
    reader.open(file.fd(), QIODevice::ReadOnly, QFileDevice::DontCloseHandle);
    // At most one byte past the limit: the file may have grown since.
    QByteArray all = maxSize >= 0 ? reader.read(maxSize + 1) : reader.readAll();
    if (reader.error() != QFileDevice::NoError)
        return report(error, RegularFile::failure(path, reader.errorString()));
    if (maxSize >= 0 && all.size() > maxSize)
        return report(error, RegularFile::failure(path, RegularFile::tooLarge(maxSize)));
    if (all.startsWith(kBom)) {
        m_bom = kBom;
        all.remove(0, kBom.size());
    }

    const char *const begin = all.constData();
    const char *const end = begin + all.size();
    const char *at = begin;
    while (at < end) {
        if (m_lines.size() == maxLines) {
            m_bom.clear();
            m_lines.clear();
            return report(
                error, RegularFile::failure(path, QStringLiteral("more than %1 lines").arg(maxLines)));
        }
        const char *stop = std::find_if(at, end, [](char c) { return c == '\r' || c == '\n'; });
        const char *next = stop;
        if (next < end)
            next += *next == '\r' && next + 1 < end && next[1] == '\n' ? 2 : 1;
        Line line;
        line.m_bytes = QByteArray(at, stop - at);
        line.m_end = kLineEnds[next - stop == 2 ? 3 : next == stop ? 0 : *stop == '\r' ? 1 : 2];
        line.m_text = decode(line.m_bytes);
        line.m_fromFile = true;
        m_lines.append(std::move(line));
        at = next;
    }
    return true;
}

QStringList TextFile::texts() const
{
    QStringList result;
    result.reserve(m_lines.size());
    for (const Line &line : m_lines)
        result.append(line.m_text);
    return result;
}

// The line end line i goes to disk with: its own, but CR LF for a line
// without one that is no longer last, and for an empty line ended by LF
// that now follows a CR alone: CR and LF would read as one line end and
// the empty line would be gone.
QByteArray TextFile::endWritten(qsizetype i) const
{
    const Line &line = m_lines.at(i);
    if (!line.m_fromFile)
        return kCrLf;
    if (line.m_end.isEmpty())
        return i + 1 == m_lines.size() ? QByteArray() : kCrLf;
    const bool afterCr = i > 0 && m_lines.at(i - 1).m_fromFile && m_lines.at(i - 1).m_end == "\r";
    return afterCr && line.m_bytes.isEmpty() && line.m_end == "\n" ? kCrLf : line.m_end;
}

QByteArray TextFile::bytes() const
{
    QByteArray result = m_bom;
    for (qsizetype i = 0; i < m_lines.size(); ++i) {
        const Line &line = m_lines.at(i);
        const QByteArray text = line.m_fromFile ? line.m_bytes : line.m_text.toUtf8();
        // A first line that starts like a byte order mark (one that came
        // further down, where files were put together) would lose that
        // start to the file: a mark of the file's own goes first.
        if (i == 0 && m_bom.isEmpty() && text.startsWith(kBom))
            result = kBom;
        result += text + endWritten(i);
    }
    return result;
}

bool TextFile::write(const QString &path, QString *error)
{
    const QByteArray all = bytes();
    if (!rewriteFile(path, all, error))
        return false;
    if (all.startsWith(kBom))
        m_bom = kBom;
    for (qsizetype i = 0; i < m_lines.size(); ++i) {
        if (m_lines.at(i).m_fromFile)
            m_lines[i].m_end = endWritten(i);
    }
    return true;
}

bool TextFile::appendLines(const QString &path, const QStringList &texts, QString *error)
{
    RegularFile file;
    if (!file.open(path, RegularFile::Access::Append))
        return report(error, file.error());
    QByteArray bytes = lineEndNeeded(file.fd(), file.size());
    for (const QString &text : texts)
        bytes += text.toUtf8() + kCrLf;
    // In one write, which no other appending process can split. Should it
    // be cut short (no room), the rest is tried for the reason, and what
    // went in is cut off again: the lines go in whole or not at all.
    qint64 start = -1, done = 0;
    int reason = 0;
    while (done < bytes.size() && reason == 0) {
        const ssize_t n = ::write(file.fd(), bytes.constData() + done, size_t(bytes.size() - done));
        if (n > 0 && start < 0)
            start = ::lseek(file.fd(), 0, SEEK_CUR) - n;
        reason = n > 0 ? 0 : n == 0 ? EIO : errno == EINTR ? 0 : errno;
        done += n > 0 ? n : 0;
    }
    if (reason == 0)
        return true;
    if (start >= 0)
        ::ftruncate(file.fd(), start);
    return report(error, RegularFile::failure(path, RegularFile::reasonOf(reason)));
}

bool TextFile::readTail(
    const QString &path, qint64 tail, const std::function<void(const QString &)> &onLine, QString *error)
{
    RegularFile file;
    if (!file.open(path, RegularFile::Access::Read))
        return file.missing() || report(error, file.error());
    // From the byte before the tail on, the line it ends, or that ends at
    // it, is skipped: the first line listed is a whole one.
    const bool cut = file.size() > tail;
    const qint64 from = cut                         ? file.size() - tail - 1
        : readAt(file.fd(), 0, kBom.size()) == kBom ? kBom.size()
                                                    : 0;
    LineReader reader(file.fd(), from);
    LineReader::Line line;
    bool skip = cut;
    while (reader.next(line)) {
        if (!skip)
            onLine(textOf(line));
        skip = false;
    }
    return reader.error() == 0
        || report(error, RegularFile::failure(path, RegularFile::reasonOf(reader.error())));
}

bool TextFile::removeLines(
    const QString &path, const std::function<bool(const QString &)> &remove, qint64 maxSize, QString *error)
{
    RegularFile file;
    if (!file.open(path, RegularFile::Access::Read))
        return file.missing() || report(error, file.error());
    if (file.size() > maxSize)
        return report(error, RegularFile::failure(path, RegularFile::tooLarge(maxSize)));
    // What write() would write after read() and the removal, line by line.
    const bool bom = readAt(file.fd(), 0, kBom.size()) == kBom;
    FileReplacement out(path);
    RangeCopy copy(file.fd(), out);
    if (bom)
        copy.add(kBom);
    LineReader reader(file.fd(), bom ? kBom.size() : 0);
    LineReader::Line line;
    bool first = true;
    QByteArray previousEnd;
    while (reader.next(line)) {
        if (remove(textOf(line)))
            continue;
        if (first && !bom && line.head.startsWith(kBom))
            copy.add(kBom);
        first = false;
        if (previousEnd == "\r" && line.length == 0 && line.end == "\n") {
            copy.add(kCrLf);
        } else {
            copy.copy(line.offset, line.length + line.end.size());
        }
        previousEnd = line.end;
    }
    if (reader.error() != 0)
        return report(error, RegularFile::failure(path, RegularFile::reasonOf(reader.error())));
    if (!copy.flush())
        return report(error,
            out.error().isEmpty() ? RegularFile::failure(path, RegularFile::reasonOf(EIO)) : out.error());
    return out.commit() || report(error, out.error());
}

QString TextFile::shown(const QString &text)
{
    if (text.size() <= kShownLength)
        return text;
    // Never half a character: a surrogate pair stays whole or goes whole.
    const bool split = text.at(kShownLength - 1).isHighSurrogate();
    return text.left(split ? kShownLength - 1 : kShownLength);
}

} // namespace ralu
