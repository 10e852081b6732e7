// HttpClient over a QtNetwork TCP socket: one HTTP/1.1 exchange per
// connection. send() waits for the reply in a nested event loop that takes
// no user input: the window keeps painting and timers and sockets keep
// running, but no click or key is handled until the reply is complete, has
// shown it cannot be taken (HttpReplyParser), or the time-out has passed;
// the connection is then closed.
//
// Every request asks for a plain body ("Accept-Encoding: identity") and
// closes its connection. Redirections are not followed: they are replies
// like any other.
#pragma once

#include "account/HttpClient.h"

namespace ralu {

class QtHttpClient : public HttpClient {
public:
    // Short on purpose: the user cannot use the window while a query waits.
    static constexpr int kDefaultTimeoutMs = 3000;

    explicit QtHttpClient(int timeoutMs = kDefaultTimeoutMs);
    HttpReply send(const HttpRequest &request) override;

    int timeoutMs() const { return m_timeoutMs; }

    // The bytes that go out for the request, or nothing when it cannot go
    // out as given (not an http address, line breaks in a header).
    static QByteArray requestBytes(const HttpRequest &request);

private:
    int m_timeoutMs;
};

} // namespace ralu
