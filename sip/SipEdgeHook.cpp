#include "sip/SipEdgeHook.h"

#include <bctoolbox/vconnect.h>
#include <belle-sip/belle-sip.h>

#include <atomic>
#include <thread>

namespace ralu {

struct BelleSipEdgeWatcher::Watch {
    BelleSipEdgeWatcher *owner;
    int fd;
    belle_sip_source_t *source;
};

BelleSipEdgeWatcher::~BelleSipEdgeWatcher()
{
    detach();
}

int BelleSipEdgeWatcher::onEvent(void *data, unsigned int)
{
    const auto *w = static_cast<Watch *>(data);
    if (w->owner->m_edge)
        w->owner->m_edge->onReadable(w->fd);
    return BELLE_SIP_CONTINUE;
}

void BelleSipEdgeWatcher::add(int fd)
{
    auto *w = new Watch { this, fd, nullptr };
    w->source = belle_sip_socket_source_new(
        onEvent, w, fd, unsigned(BELLE_SIP_EVENT_READ | BELLE_SIP_EVENT_ERROR), -1);
    belle_sip_main_loop_add_source(m_loop, w->source);
    m_watches[fd] = w;
}

void BelleSipEdgeWatcher::attach(belle_sip_main_loop *loop)
{
    // Held until detach(): the stack destroys its loop with the core, and
    // the watches are taken out of it after that.
    belle_sip_object_ref(loop);
    m_loop = loop;
    for (auto &entry : m_watches)
        if (!entry.second)
            add(entry.first);
}

void BelleSipEdgeWatcher::detach()
{
    for (auto &entry : m_watches) {
        if (!entry.second)
            continue;
        belle_sip_main_loop_remove_source(m_loop, entry.second->source);
        belle_sip_object_unref(entry.second->source);
        delete entry.second;
    }
    m_watches.clear();
    if (m_loop)
        belle_sip_object_unref(m_loop);
    m_loop = nullptr;
}

void BelleSipEdgeWatcher::watch(int fd)
{
    if (m_loop)
        add(fd);
    else
        m_watches[fd] = nullptr;
}

void BelleSipEdgeWatcher::unwatch(int fd)
{
    auto it = m_watches.find(fd);
    if (it == m_watches.end())
        return;
    if (Watch *w = it->second) {
        belle_sip_main_loop_remove_source(m_loop, w->source);
        belle_sip_object_unref(w->source);
        delete w;
    }
    m_watches.erase(it);
}

namespace {

// bctoolbox's standard socket methods, which belle-sip puts back as the
// default each time it makes a socket: the edge goes into them, and what it
// does not take goes on to the originals.
const bctbx_vsocket_methods_t *g_standard = nullptr;
bctbx_vsocket_methods_t g_methods;
std::atomic<SipEdge *> g_edge { nullptr };
std::atomic<std::thread::id> g_edgeThread;

SipEdge *edgeHere()
{
    SipEdge *edge = g_edge.load();
    return edge && g_edgeThread.load() == std::this_thread::get_id() ? edge : nullptr;
}

bool isUdp(bctbx_socket_t sock)
{
    int type = 0;
    socklen_t length = sizeof type;
    return ::getsockopt(sock, SOL_SOCKET, SO_TYPE, &type, &length) == 0 && type == SOCK_DGRAM;
}

int edgeConnect(bctbx_socket_t sock, const struct sockaddr *address, socklen_t length)
{
    SipEdge *edge = edgeHere();
    if (edge && address && (address->sa_family == AF_INET || address->sa_family == AF_INET6) && isUdp(sock))
        return edge->connectStackSocket(sock, address, length);
    return g_standard->pFuncConnect(sock, address, length);
}

int edgeGetSockName(bctbx_socket_t sock, struct sockaddr *address, socklen_t *length)
{
    SipEdge *edge = edgeHere();
    if (edge && edge->publicAddress(sock, address, length))
        return 0;
    return g_standard->pFuncGetSockName(sock, address, length);
}

} // namespace

void SipEdgeHook::install(SipEdge *edge)
{
    bctbx_vsocket_api_t *standard = bctbx_vsocket_api_get_standard();
    if (!g_standard && standard && standard->pSocketMethods) {
        g_standard = standard->pSocketMethods;
        g_methods = *g_standard;
        g_methods.pFuncConnect = edgeConnect;
        g_methods.pFuncGetSockName = edgeGetSockName;
        standard->pSocketMethods = &g_methods;
        bctbx_vsocket_api_set_default(nullptr);
    }
    g_edgeThread = std::this_thread::get_id();
    g_edge = g_standard ? edge : nullptr;
}

} // namespace ralu
