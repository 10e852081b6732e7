// An HTTP client that keeps every request; a test answers the oldest one
// still waiting.
#pragma once

#include "account/HttpClient.h"

#include <deque>
#include <gtest/gtest.h>
#include <vector>

namespace ralu::testing {

class FakeHttp : public HttpClient {
public:
    std::vector<HttpRequest> requests;
    std::deque<Done> waiting;

    void send(const HttpRequest &request, Done done) override
    {
        requests.push_back(request);
        waiting.push_back(std::move(done));
    }
    // No reply by default, as from a server that is not there.
    void answer(const HttpReply &reply = {})
    {
        ASSERT_FALSE(waiting.empty());
        Done done = std::move(waiting.front());
        waiting.pop_front();
        done(reply);
    }
    // "GET" or "POST" of each request so far: balance or credit time.
    QStringList methods() const
    {
        QStringList out;
        for (const HttpRequest &r : requests)
            out << QString::fromLatin1(r.method);
        return out;
    }
};

} // namespace ralu::testing
