#include "files/LineReader.h"

#include <algorithm>
#include <cerrno>
#include <unistd.h>

namespace ralu {

namespace {
constexpr qsizetype kPiece = 64 * 1024;
// Shared, so that a line end costs no memory of its own.
const QByteArray kCr("\r"), kLf("\n"), kCrLf("\r\n");
} // namespace

LineReader::LineReader(int fd, qint64 from)
    : m_fd(fd)
    , m_offset(from)
{
}

bool LineReader::fill()
{
    if (m_at < m_buffer.size())
        return true;
    m_buffer.resize(kPiece);
    m_at = 0;
    ssize_t n;
    do
        n = ::pread(m_fd, m_buffer.data(), size_t(kPiece), m_offset);
    while (n < 0 && errno == EINTR);
    if (n < 0)
        m_error = errno;
    m_buffer.resize(n > 0 ? n : 0);
    m_offset += m_buffer.size();
    return n > 0;
}

bool LineReader::next(Line &line)
{
    line.offset = m_offset - (m_buffer.size() - m_at);
    line.length = 0;
    line.head.clear();
    line.end.clear();
    while (fill()) {
        const char *const begin = m_buffer.constData() + m_at;
        const char *const stop = m_buffer.constData() + m_buffer.size();
        const char *const found = std::find_if(begin, stop, [](char c) { return c == '\r' || c == '\n'; });
        const qsizetype n = found - begin;
        line.head.append(begin, std::min(n, kHeadBytes - line.head.size()));
        line.length += n;
        m_at += n;
        if (found == stop)
            continue;
        ++m_at;
        line.end = *found == '\n' ? kLf : kCr;
        if (*found == '\r' && fill() && m_buffer.at(m_at) == '\n') {
            ++m_at;
            line.end = kCrLf;
        }
        return true;
    }
    return line.length > 0 && m_error == 0;
}

} // namespace ralu
