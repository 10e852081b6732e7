#include "engine/TickDeferral.h"

#include <QTimer>
#include <algorithm>
#include <utility>

namespace ralu {

TickDeferral::TickDeferral(
    std::function<void(int)> run, std::function<bool(int)> stillWanted, QObject *parent)
    : QObject(parent)
    , m_run(std::move(run))
    , m_stillWanted(std::move(stillWanted))
{
}

void TickDeferral::runQuery(const std::function<void()> &query, const std::function<void()> &hold,
    const std::function<void()> &release)
{
    if (!query)
        return;
    ++m_depth;
    if (hold)
        hold();
    query();
    if (release)
        release();
    --m_depth;
    if (m_depth == 0 && !m_pending.empty() && !m_scheduled) {
        // From the event loop: the handler that made the query finishes first.
        m_scheduled = true;
        QTimer::singleShot(0, this, &TickDeferral::runPending);
    }
}

void TickDeferral::arrive(int id)
{
    if (m_depth == 0) {
        m_run(id);
        return;
    }
    // Like a timer message that waits in the queue: one per timer.
    if (std::find(m_pending.begin(), m_pending.end(), id) == m_pending.end())
        m_pending.push_back(id);
}

void TickDeferral::runPending()
{
    m_scheduled = false;
    if (m_depth > 0)
        return; // another query began; its end schedules the rest
    const std::vector<int> pending = std::exchange(m_pending, {});
    for (int id : pending)
        if (m_stillWanted(id))
            m_run(id);
}

} // namespace ralu
