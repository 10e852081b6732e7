// The HTTP reply reader on its own: which byte sequences are a whole reply,
// fed at once and one byte at a time.
#include "account/HttpReplyParser.h"
#include "qt_printers.h"

#include <gtest/gtest.h>

using namespace ralu;
using State = HttpReplyParser::State;

TEST(HttpReplyParser, AReplyIsWholeOnlyWhenItsBodyEndsWhereItSaid)
{
    const QByteArray ok = "HTTP/1.1 200 OK\r\n";
    const QByteArray chunked = ok + "Transfer-Encoding: chunked\r\n\r\n";
    constexpr qsizetype limit = 16;
    struct Case {
        QByteArray bytes;
        State state; // once every byte is in, before the connection ends
        QByteArray body;
    };
    const Case cases[] = {
        { ok + "Content-Length: 4\r\n\r\n3599", State::Done, "3599" },
        { ok + "content-length:4\r\n\r\n3599 and more", State::Done, "3599" },
        { ok + "Content-Length: 0\r\n\r\n", State::Done, "" },
        { "HTTP/1.0 404 Not Found\r\nContent-Length: 2\r\nContent-Length: 2\r\n\r\nno", State::Done, "no" },
        { "HTTP/1.1 100 Continue\r\n\r\n" + ok + "Content-Length: 1\r\n\r\n7", State::Done, "7" },
        { "HTTP/1.1 204 No Content\r\n\r\n", State::Done, "" },
        { ok + "Content-Encoding: identity\r\nContent-Length: 1\r\n\r\n7", State::Done, "7" },
        { chunked + "2;x=y\r\n35\r\nA\r\n99.5678901\r\n0\r\nTrailer: t\r\n\r\n", State::Done,
            "3599.5678901" },
        { ok + "Content-Length: 16\r\n\r\n" + QByteArray(limit, '1'), State::Done, QByteArray(limit, '1') },
        // Not yet whole: the connection's end makes them failures.
        { ok + "Content-Length: 10\r\n\r\n3599", State::Reading, {} },
        { ok + "Content-Length: 4\r\n", State::Reading, {} },
        { chunked + "4\r\n3599\r\n", State::Reading, {} },
        { chunked + "4\r\n35", State::Reading, {} },
        { chunked + "0\r\n", State::Reading, {} },
        // Never whole, known as soon as it shows.
        { ok + "\r\n3599", State::Failed, {} }, // ends only with the connection
        { ok + "Content-Length: 17\r\n\r\n", State::Failed, {} }, // over the limit
        { chunked + "9\r\n123456789\r\n8\r\n", State::Failed, {} },
        { ok + "Content-Length: 4\r\nContent-Length: 5\r\n\r\n3599", State::Failed, {} },
        { ok + "Content-Length: +4\r\n\r\n3599", State::Failed, {} },
        { ok + "Content-Length: 4 4\r\n\r\n3599", State::Failed, {} },
        { ok + "Content-Encoding: gzip\r\nContent-Length: 4\r\n\r\n3599", State::Failed, {} },
        { ok + "Transfer-Encoding: gzip, chunked\r\n\r\n4\r\n3599\r\n0\r\n\r\n", State::Failed, {} },
        { chunked + "0x4\r\n3599\r\n0\r\n\r\n", State::Failed, {} },
        { chunked + "4\r\n3599XX0\r\n\r\n", State::Failed, {} },
        { "HTTP/2 200 OK\r\nContent-Length: 1\r\n\r\n7", State::Failed, {} },
        { "HTTP/1.1 20 OK\r\nContent-Length: 1\r\n\r\n7", State::Failed, {} },
        { "ICY 200 OK\r\nContent-Length: 1\r\n\r\n7", State::Failed, {} },
        { "HTTP/1.1 101 Switching Protocols\r\n\r\n", State::Failed, {} },
        { ok + "Bad Header: x\r\nContent-Length: 1\r\n\r\n7", State::Failed, {} },
        { ok + "X: " + QByteArray(HttpReplyParser::kMaxHeadBytes, 'x'), State::Failed, {} },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.bytes.left(120).toStdString());
        HttpReplyParser atOnce(limit);
        HttpReplyParser byteByByte(limit);
        atOnce.feed(c.bytes);
        for (char b : c.bytes)
            byteByByte.feed(QByteArrayView(&b, 1));
        for (HttpReplyParser *p : { &atOnce, &byteByByte }) {
            EXPECT_EQ(p->state(), c.state);
            EXPECT_EQ(p->closed(), c.state == State::Done ? State::Done : State::Failed);
            EXPECT_EQ(p->body(), c.body);
        }
        if (c.state == State::Done) {
            EXPECT_EQ(atOnce.status(), c.bytes.mid(c.bytes.lastIndexOf("HTTP/1.") + 9, 3).toInt());
        }
    }
}

TEST(HttpReplyParser, ItsLimitsHoldTheSameHoweverTheBytesArrive)
{
    const QByteArray ok = "HTTP/1.1 200 OK\r\nContent-Length: 1\r\nX: ";
    const auto head = [&](qsizetype size) { return ok + QByteArray(size - ok.size(), 'x') + "\r\n\r\n7"; };
    const QByteArray chunked = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n1;";
    const auto chunkLine
        = [&](qsizetype size) { return chunked + QByteArray(size - 2, 'e') + "\r\n7\r\n0\r\n\r\n"; };
    const std::pair<QByteArray, State> cases[] = {
        { head(HttpReplyParser::kMaxHeadBytes), State::Done },
        { head(HttpReplyParser::kMaxHeadBytes + 1), State::Failed },
        { chunkLine(1024), State::Done },
        { chunkLine(1025), State::Failed },
    };
    for (const auto &[bytes, state] : cases) {
        SCOPED_TRACE(bytes.size());
        HttpReplyParser atOnce(16);
        EXPECT_EQ(atOnce.feed(bytes), state);
        HttpReplyParser byteByByte(16);
        for (char b : bytes)
            byteByByte.feed(QByteArrayView(&b, 1));
        EXPECT_EQ(byteByByte.state(), state);
        EXPECT_EQ(byteByByte.body(), atOnce.body());
    }
}
