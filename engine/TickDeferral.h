// Timer ticks and requests that arrive while a billing query waits in a
// nested event loop are not handled inside it: each runs from the event loop
// right after the query (once however often it fired, and not at all if its
// timer was stopped in between), so no handler ever runs in the middle of
// another.
#pragma once

#include <QObject>
#include <functional>
#include <vector>

namespace ralu {

class TickDeferral : public QObject {
    Q_OBJECT
public:
    // run handles a tick by its id; stillWanted tells whether a deferred
    // tick's timer still runs when its turn comes.
    TickDeferral(
        std::function<void(int id)> run, std::function<bool(int id)> stillWanted, QObject *parent = nullptr);

    // Runs query with the depth counted; hold/release bracket it (the client's
    // events wait meanwhile).
    void runQuery(const std::function<void()> &query, const std::function<void()> &hold,
        const std::function<void()> &release);
    // A tick arrived: handled now, or after the running query.
    void arrive(int id);
    bool waiting() const { return m_depth > 0; }

private:
    void runPending();

    std::function<void(int)> m_run;
    std::function<bool(int)> m_stillWanted;
    int m_depth = 0;
    std::vector<int> m_pending; // in the order they first arrived
    bool m_scheduled = false;
};

} // namespace ralu
