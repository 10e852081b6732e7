#include "files/TextFile.h"

#include "files/SafeRewrite.h"

#include <QFile>
#include <algorithm>

namespace ralu {

namespace {

const QByteArray kBom("\xEF\xBB\xBF");
const QByteArray kCrLf("\r\n");

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

// What must go before appended lines so they start on a line of their
// own: nothing for a missing or empty file (a byte order mark alone is
// no line) or one ending in LF, LF for a file cut after the CR of a CR
// LF, CR LF after a last line with no end.
QByteArray lineEndNeeded(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() == 0 || !file.seek(file.size() - 1))
        return {};
    char last = 0;
    if (!file.getChar(&last) || last == '\n')
        return {};
    if (file.size() == kBom.size() && file.seek(0) && file.read(kBom.size()) == kBom)
        return {};
    return last == '\r' ? QByteArray("\n") : kCrLf;
}

} // namespace

TextFile::Line::Line(QString text)
    : m_text(std::move(text))
{
    // Read back, a U+FEFF starting a line is taken for a byte order mark.
    while (m_text.startsWith(QChar(0xFEFF)))
        m_text.remove(0, 1);
}

bool TextFile::read(const QString &path, QString *error)
{
    m_bom.clear();
    m_lines.clear();
    QFile file(path);
    if (!file.exists())
        return true;
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = file.errorString();
        return false;
    }
    QByteArray all = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        if (error)
            *error = file.errorString();
        return false;
    }
    if (all.startsWith(kBom)) {
        m_bom = kBom;
        all.remove(0, kBom.size());
    }

    const char *const begin = all.constData();
    const char *const end = begin + all.size();
    const char *at = begin;
    while (at < end) {
        const char *stop = std::find_if(at, end, [](char c) { return c == '\r' || c == '\n'; });
        const char *next = stop;
        if (next < end)
            next += *next == '\r' && next + 1 < end && next[1] == '\n' ? 2 : 1;
        Line line;
        line.m_bytes = QByteArray(at, stop - at);
        line.m_end = QByteArray(stop, next - stop);
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

bool TextFile::appendLines(const QString &path, const QStringList &texts)
{
    QByteArray bytes = lineEndNeeded(path);
    for (const QString &text : texts)
        bytes += text.toUtf8() + kCrLf;
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append))
        return false;
    const bool written = file.write(bytes) == bytes.size() && file.flush();
    file.close();
    return written;
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
