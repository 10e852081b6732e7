// Reads one HTTP/1.x reply from the bytes as they arrive and decides whether
// it arrived whole. Whole means the body ended where the reply said it
// would: after Content-Length bytes, or at the last chunk of a chunked body.
// A body that would end only with the connection cannot be told from a
// cut-off one and does not count; neither does a compressed body (it could
// unpack to any size), nor one longer than the limit, which fails as soon
// as it is announced or counted, so memory never holds more.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QMap>

namespace ralu {

class HttpReplyParser {
public:
    enum class State { Reading, Done, Failed };

    explicit HttpReplyParser(qsizetype maxBodyBytes);

    // The next bytes received; bytes after the end of the reply are ignored.
    State feed(QByteArrayView data);
    // The connection ended: a reply not done by now never will be.
    State closed();

    State state() const { return m_state; }
    int status() const { return m_status; }
    const QByteArray &body() const { return m_body; }

    static constexpr qsizetype kMaxHeadBytes = 8 * 1024;

private:
    enum class Phase { Head, Length, ChunkSize, ChunkData, ChunkEnd, Trailers };

    bool step();
    bool readHead();
    bool takeBody();
    bool readLine(QByteArray &line);
    bool fail();
    bool done();

    const qsizetype m_maxBody;
    State m_state = State::Reading;
    Phase m_phase = Phase::Head;
    QByteArray m_pending; // received, not yet consumed
    qsizetype m_headBytes = 0; // of the head being read, interim ones included
    qint64 m_left = 0; // body bytes still to come (length or current chunk)
    int m_status = 0;
    QByteArray m_body;
};

} // namespace ralu
