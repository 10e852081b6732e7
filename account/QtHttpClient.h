// HttpClient over a QtNetwork TCP socket: one HTTP/1.1 exchange per
// connection, each on its own socket, driven by the event loop: nothing
// waits. An exchange ends when the reply is complete, has shown it cannot be
// taken (HttpReplyParser), or the time-out has passed; its connection is
// then closed and its done function runs.
//
// Every request asks for a plain body ("Accept-Encoding: identity") and
// closes its connection. Redirections are not followed: they are replies
// like any other.
#pragma once

#include "account/HttpClient.h"

#include <QObject>

namespace ralu {

class QtHttpClient : public HttpClient {
public:
    // A billing server that has not answered by then is not going to.
    static constexpr int kDefaultTimeoutMs = 3000;

    explicit QtHttpClient(int timeoutMs = kDefaultTimeoutMs);
    // Exchanges still under way are dropped; their done functions never run.
    ~QtHttpClient() override;
    void send(const HttpRequest &request, Done done) override;

    int timeoutMs() const { return m_timeoutMs; }

    // The bytes that go out for the request, or nothing when it cannot go
    // out as given (not an http address, line breaks in a header).
    static QByteArray requestBytes(const HttpRequest &request);

private:
    int m_timeoutMs;
    QObject m_exchanges; // the parent of the exchanges under way
};

} // namespace ralu
