// The HTTP exchange the billing queries need: one request, sent and waited
// for, its status and text read back. The billing client talks to the
// billing server only through this interface; QtHttpClient is the real one,
// tests use a fake.
#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>

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

    virtual ~HttpClient() = default;
    // Sends the request and returns when the reply is complete or the client
    // gave up. Never throws.
    virtual HttpReply send(const HttpRequest &request) = 0;
};

} // namespace ralu
