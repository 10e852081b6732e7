// The HTTP exchange the billing queries need: one request sent, its reply's
// status and text handed back later. The billing client talks to the
// billing server only through this interface; QtHttpClient is the real one,
// tests use a fake.
#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>

#include <functional>

namespace ralu {

struct HttpRequest {
    QByteArray method; // "GET", "POST"
    QByteArray url; // the whole address, already percent-encoded
    QList<QPair<QByteArray, QByteArray>> headers;
    QByteArray body;
};

struct HttpReply {
    // False when no reply could be read: no connection, the time-out passed,
    // the address was not usable. Status and body are then meaningless.
    bool received = false;
    int status = 0;
    QByteArray body;
};

class HttpClient {
public:
    // The longest reply body taken: the billing replies are a few hundred
    // bytes, and anything longer is not one of them.
    static constexpr int kMaxReplyBytes = 8 * 1024;

    using Done = std::function<void(const HttpReply &)>;

    virtual ~HttpClient() = default;
    // Sends the request and returns at once. done runs once, from the event
    // loop (never from inside send), when the reply is complete or the
    // client gave up; never once the client is gone. Never throws.
    virtual void send(const HttpRequest &request, Done done) = 0;
};

} // namespace ralu
