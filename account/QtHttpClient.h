// HttpClient over a QtNetwork socket: one HTTP/1.1 exchange per connection,
// each on its own socket, driven by the event loop: nothing waits. An
// exchange ends when the reply is complete, has shown it cannot be taken
// (HttpReplyParser), or the time-out has passed; its connection is then
// closed and its done function runs.
//
// An https address goes through Qt's TLS backend: the server's certificate
// must chain to one the system trusts and name the address's host. A
// handshake that fails, or a certificate that does not pass, is no reply;
// the request never leaves.
//
// Every request asks for a plain body ("Accept-Encoding: identity") and
// closes its connection. Redirections are not followed: they are replies
// like any other.
#pragma once

#include "account/HttpClient.h"

#include <QList>
#include <QObject>
#include <QSslCertificate>

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

    // Certificates trusted beside the system's, for the exchanges sent from
    // now on. Only tests use it: a server of their own with a certificate
    // made for the run. Nothing ever turns the checks off.
    void trustAlso(const QList<QSslCertificate> &certificates) { m_alsoTrusted = certificates; }

    // The bytes that go out for the request, or nothing when it cannot go
    // out as given (not an http or https address, line breaks in a header).
    static QByteArray requestBytes(const HttpRequest &request);

private:
    int m_timeoutMs;
    QList<QSslCertificate> m_alsoTrusted;
    QObject m_exchanges; // the parent of the exchanges under way
};

} // namespace ralu
