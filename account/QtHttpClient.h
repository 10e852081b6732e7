// HttpClient over QtNetwork. send() waits for the reply in a nested event
// loop that takes no user input: the window keeps painting and timers and
// sockets keep running, but no click or key is handled until the reply is
// complete or the time-out has passed (the request is then abandoned).
#pragma once

#include "account/HttpClient.h"

#include <QNetworkAccessManager>

namespace ralu {

class QtHttpClient : public HttpClient {
public:
    // Short on purpose: the user cannot use the window while a query waits.
    static constexpr int kDefaultTimeoutMs = 3000;

    explicit QtHttpClient(int timeoutMs = kDefaultTimeoutMs);
    HttpReply send(const HttpRequest &request) override;

    int timeoutMs() const { return m_timeoutMs; }

private:
    QNetworkAccessManager m_network;
    int m_timeoutMs;
};

} // namespace ralu
