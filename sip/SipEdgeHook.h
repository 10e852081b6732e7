// Puts a SipEdge in front of the SIP stack: the stack's socket calls
// (through bctoolbox's socket methods, which belle-sip uses for connect()
// and getsockname()) and its main loop.
#pragma once

#include "sip/SipEdge.h"

#include <map>

struct belle_sip_main_loop;
struct belle_sip_source;

namespace ralu {

// Watches the edge's sockets in the SIP stack's main loop; what is asked
// before the loop is known waits for attach().
class BelleSipEdgeWatcher : public SipEdge::Watcher {
public:
    ~BelleSipEdgeWatcher() override;
    void setEdge(SipEdge *edge) { m_edge = edge; }
    void attach(belle_sip_main_loop *loop);
    void detach();
    void watch(int fd) override;
    void unwatch(int fd) override;

private:
    struct Watch;
    static int onEvent(void *data, unsigned int events);
    void add(int fd);

    SipEdge *m_edge = nullptr;
    belle_sip_main_loop *m_loop = nullptr;
    std::map<int, Watch *> m_watches; // fd -> its source (null until attached)
};

namespace SipEdgeHook {
// From now on the stack's UDP sockets made on this thread go through edge;
// null: straight to the network again. Process-wide: one edge at a time.
void install(SipEdge *edge);
} // namespace SipEdgeHook

} // namespace ralu
