#include "account/HttpReplyParser.h"

#include <QList>

namespace ralu {

namespace {

// Header values by lower-case name, every occurrence kept.
using Headers = QMap<QByteArray, QList<QByteArray>>;

// A short run of digits of the base, nothing else: no sign, blank or "0x".
bool isNumber(const QByteArray &s, int base)
{
    if (s.isEmpty() || s.size() > (base == 16 ? 8 : 18))
        return false;
    for (char c : s) {
        const bool digit = c >= '0' && c <= '9';
        const bool hex = (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
        if (!digit && !(base == 16 && hex))
            return false;
    }
    return true;
}

// "HTTP/1.x NNN reason": the status, or 0.
int statusOf(const QByteArray &line)
{
    if (!line.startsWith("HTTP/1.") || line.size() < 12 || line.at(8) != ' '
        || (line.size() > 12 && line.at(12) != ' '))
        return 0;
    const QByteArray code = line.mid(9, 3);
    return isNumber(code, 10) && code.at(0) != '0' ? code.toInt() : 0;
}

} // namespace

HttpReplyParser::HttpReplyParser(qsizetype maxBodyBytes)
    : m_maxBody(maxBodyBytes)
{
}

HttpReplyParser::State HttpReplyParser::feed(QByteArrayView data)
{
    if (m_state != State::Reading)
        return m_state;
    m_pending.append(data);
    while (m_state == State::Reading && step()) { }
    return m_state;
}

HttpReplyParser::State HttpReplyParser::closed()
{
    if (m_state == State::Reading)
        fail();
    return m_state;
}

// One piece of the reply; false when more bytes are needed or it has ended.
bool HttpReplyParser::step()
{
    QByteArray line;
    switch (m_phase) {
    case Phase::Head:
        return readHead();
    case Phase::Length:
        return takeBody() && done();
    case Phase::ChunkData:
        if (!takeBody())
            return false;
        m_phase = Phase::ChunkEnd;
        return true;
    case Phase::ChunkSize: {
        if (!readLine(line))
            return false;
        const qsizetype ext = line.indexOf(';');
        const QByteArray hex = (ext < 0 ? line : line.left(ext)).trimmed();
        if (!isNumber(hex, 16))
            return fail();
        const qint64 size = hex.toLongLong(nullptr, 16);
        if (m_body.size() + size > m_maxBody)
            return fail();
        m_left = size;
        m_phase = size == 0 ? Phase::Trailers : Phase::ChunkData;
        return true;
    }
    case Phase::ChunkEnd:
        if (m_pending.size() < 2)
            return false;
        if (!m_pending.startsWith("\r\n"))
            return fail();
        m_pending.remove(0, 2);
        m_phase = Phase::ChunkSize;
        return true;
    case Phase::Trailers:
        if (!readLine(line))
            return false;
        return line.isEmpty() ? done() : true;
    }
    return fail();
}

bool HttpReplyParser::readHead()
{
    const qsizetype end = m_pending.indexOf("\r\n\r\n");
    // Up to three bytes of a head not yet ended may be the start of its end:
    // counting them would refuse, cut there, a head taken whole.
    if (m_headBytes + (end < 0 ? qMax<qsizetype>(0, m_pending.size() - 3) : end) > kMaxHeadBytes)
        return fail();
    if (end < 0)
        return false;
    QList<QByteArray> lines = m_pending.left(end).split('\n');
    m_headBytes += end + 4;
    m_pending.remove(0, end + 4);
    for (QByteArray &l : lines)
        if (l.endsWith('\r'))
            l.chop(1);

    m_status = statusOf(lines.first());
    if (m_status == 0 || m_status == 101)
        return fail();
    Headers headers;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QByteArray &l = lines[i];
        const qsizetype colon = l.indexOf(':');
        if (colon <= 0 || l.left(colon).contains(' ') || l.left(colon).contains('\t'))
            return fail();
        headers[l.left(colon).toLower()] << l.mid(colon + 1).trimmed().toLower();
    }
    if (m_status < 200)
        return true; // an interim reply; the real one follows

    for (const QByteArray &encoding : headers.value("content-encoding"))
        if (!encoding.isEmpty() && encoding != "identity")
            return fail();
    if (headers.contains("transfer-encoding")) {
        if (headers.value("transfer-encoding") != QList<QByteArray> { "chunked" })
            return fail();
        m_phase = Phase::ChunkSize;
        return true;
    }
    if (headers.contains("content-length")) {
        const QList<QByteArray> lengths = headers.value("content-length");
        for (const QByteArray &l : lengths)
            if (!isNumber(l, 10) || l != lengths.first())
                return fail();
        m_left = lengths.first().toLongLong();
        if (m_left > m_maxBody)
            return fail();
        m_phase = Phase::Length;
        return m_left == 0 ? done() : true;
    }
    if (m_status == 204 || m_status == 304)
        return done(); // never a body
    return fail(); // would end only with the connection
}

// Body bytes of the current length or chunk, as far as they have come;
// true once all of them are there.
bool HttpReplyParser::takeBody()
{
    const qsizetype take = qMin<qint64>(m_left, m_pending.size());
    m_body.append(m_pending.constData(), take);
    m_pending.remove(0, take);
    m_left -= take;
    return m_left == 0;
}

// A line ended by CRLF, removed from what is pending; chunk-size and trailer
// lines are short, so a long one is not a reply. The last byte of a line
// not yet ended may be its CR, and does not count.
bool HttpReplyParser::readLine(QByteArray &line)
{
    const qsizetype end = m_pending.indexOf("\r\n");
    if ((end < 0 ? qMax<qsizetype>(0, m_pending.size() - 1) : end) > 1024)
        return fail();
    if (end < 0)
        return false;
    line = m_pending.left(end);
    m_pending.remove(0, end + 2);
    return true;
}

bool HttpReplyParser::fail()
{
    m_state = State::Failed;
    m_body.clear();
    m_pending.clear();
    return false;
}

bool HttpReplyParser::done()
{
    m_state = State::Done;
    m_pending.clear();
    return false;
}

} // namespace ralu
