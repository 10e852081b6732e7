// A billing server's reply as it may arrive: read whole, and read in the
// pieces the network may cut it into, the parser must come to the same end.
//
// Input: the bytes received, then from its end: the body limit (the
// client's 8 KB, or a small one), how the bytes are cut (one at a time, at
// random places, or before every CR and LF), and the seed of the cuts.
#include "FuzzSupport.h"

#include "account/HttpClient.h"
#include "account/HttpReplyParser.h"

#include <random>

using namespace ralu;
using namespace ralu::fuzz;
using State = HttpReplyParser::State;

namespace {

struct Result {
    State state;
    int status;
    QByteArray body;
    bool operator==(const Result &o) const
    {
        return state == o.state && status == o.status && body == o.body;
    }
};

Result resultOf(const HttpReplyParser &p)
{
    return { p.state(), p.status(), p.body() };
}

// The pieces' ends, in order; the last is the end of the bytes.
QList<qsizetype> cuts(const QByteArray &bytes, unsigned how, unsigned seed)
{
    QList<qsizetype> at;
    std::minstd_rand random(seed);
    qsizetype pos = 0;
    while (pos < bytes.size()) {
        if (how == 0) {
            ++pos;
        } else if (how == 1) {
            // Mostly short pieces, now and then a long one.
            const qsizetype most = random() % 8 == 0 ? 4096 : 16;
            pos += 1 + static_cast<qsizetype>(random() % most);
        } else { // before every CR and LF, so inside every CR LF
            do
                ++pos;
            while (pos < bytes.size() && bytes.at(pos) != '\r' && bytes.at(pos) != '\n');
        }
        at << qMin(pos, bytes.size());
    }
    return at;
}

void checkEnd(const Result &r, qsizetype limit)
{
    FUZZ_CHECK(r.body.size() <= limit);
    if (r.state == State::Done)
        FUZZ_CHECK(r.status >= 200 && r.status <= 999);
    if (r.state == State::Failed)
        FUZZ_CHECK(r.body.isEmpty());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    Input input(data, size);
    const qsizetype limit = input.byte() % 4 == 0 ? 16 : HttpClient::kMaxReplyBytes;
    const unsigned how = input.byte() % 3;
    const unsigned seed = input.byte() | input.byte() << 8;
    const QByteArray bytes = input.rest();

    HttpReplyParser whole(limit);
    whole.feed(bytes);
    const Result atOnce = resultOf(whole);
    checkEnd(atOnce, limit);

    HttpReplyParser cut(limit);
    qsizetype from = 0;
    for (qsizetype to : cuts(bytes, how, seed)) {
        const State state = cut.feed(QByteArrayView(bytes).sliced(from, to - from));
        from = to;
        // Once decided, the rest of the bytes change nothing.
        FUZZ_CHECK(state == cut.state());
        if (state != State::Reading)
            FUZZ_CHECK(resultOf(cut) == atOnce);
    }
    FUZZ_CHECK(resultOf(cut) == atOnce);

    // More bytes after a decided reply change nothing either; the end of the
    // connection decides the rest, the same way for both.
    if (atOnce.state != State::Reading) {
        whole.feed("HTTP/1.1 200 OK\r\nContent-Length: 1\r\n\r\n1");
        FUZZ_CHECK(resultOf(whole) == atOnce);
    }
    const State closed = whole.closed();
    FUZZ_CHECK(closed == (atOnce.state == State::Done ? State::Done : State::Failed));
    FUZZ_CHECK(cut.closed() == closed && resultOf(cut) == resultOf(whole));
    checkEnd(resultOf(whole), limit);
    return 0;
}
