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
    // own: nothing for a missing or empty file or one ending in LF, LF for a
    // file cut after the CR of a CR LF, CR LF after a last line with no end.
    QByteArray lineEndNeeded(const QString &path)
    {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly) || file.size() == 0 || !file.seek(file.size() - 1))
            return {};
        char last = 0;
        if (!file.getChar(&last) || last == '\n')
            return {};
        return last == '\r' ? QByteArray("\n") : kCrLf;
    }

} // namespace

TextFile::Line::Line(QString text)
    : m_text(std::move(text))
{
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

QByteArray TextFile::bytes() const
{
    QByteArray result = m_bom;
    for (qsizetype i = 0; i < m_lines.size(); ++i) {
        const Line &line = m_lines.at(i);
        if (!line.m_fromFile) {
            result += line.m_text.toUtf8() + kCrLf;
            continue;
        }
        result += line.m_bytes;
        const bool last = i + 1 == m_lines.size();
        result += line.m_end.isEmpty() && !last ? kCrLf : line.m_end;
    }
    return result;
}

bool TextFile::write(const QString &path, QString *error)
{
    if (!rewriteFile(path, bytes(), error))
        return false;
    for (qsizetype i = 0; i + 1 < m_lines.size(); ++i) {
        if (m_lines.at(i).m_end.isEmpty())
            m_lines[i].m_end = kCrLf;
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
