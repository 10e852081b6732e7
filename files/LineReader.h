// A file's lines read in pieces, for files of any size: memory stays bounded
// however large the file, or any one line, is. CR LF, LF and CR alone each
// end a line, as TextFile reads them.
#pragma once

#include <QByteArray>

namespace ralu {

class LineReader {
public:
    // The most of a line kept: far more than a list shows of it.
    static constexpr qsizetype kHeadBytes = 8192;

    struct Line {
        qint64 offset = 0; // where its bytes start in the file
        qint64 length = 0; // its bytes, without the line end
        QByteArray head; // its first bytes, at most kHeadBytes
        QByteArray end; // CR LF, LF, CR, or nothing on the last line
    };

    // Reads fd (not taken over) from offset `from` on.
    LineReader(int fd, qint64 from);

    // The next line; false at the end of the file or on a read error.
    bool next(Line &line);
    // The error number of a failed read, else 0.
    int error() const { return m_error; }

private:
    bool fill(); // false at the end or on an error

    int m_fd;
    qint64 m_offset; // of m_buffer's end in the file
    QByteArray m_buffer;
    qsizetype m_at = 0; // next byte in m_buffer
    int m_error = 0;
};

} // namespace ralu
