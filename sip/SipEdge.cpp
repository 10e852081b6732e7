#include "sip/SipEdge.h"

#include "sip/SipDatagram.h"
#include "sip/SipProbe.h"
#include "sip/SocketAddress.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace ralu {

using namespace address;

namespace {

constexpr std::size_t kMaxDatagram = 65536;
constexpr std::size_t kMaxRelays = 64;
constexpr std::size_t kMaxDialogs = 32;
constexpr std::size_t kMaxDirect = 64;
constexpr int kBurst = 64; // datagrams read per wake-up, so the stack's own sources get their turn
// A request's transaction lasts at most 64 * T1 (32 s): its responses go
// back to where it came from until then.
constexpr auto kDirectLifetime = std::chrono::seconds(40);

} // namespace

struct SipEdge::Relay {
    int relayFd = -1; // ours: loopback, connected to the stack's socket
    int stackFd = -1;
    sockaddr_storage relayAddress {};
    sockaddr_storage stackAddress {};
    sockaddr_storage peer {}; // where the stack meant its socket to go
    sockaddr_storage shownAddress {}; // the stack's address as the network sees it, in its socket's family
    Clock::time_point lastSent {};
    Clock::time_point probedAt {}; // a keep-alive went to the stack's socket: is it still read?
    bool probing = false;
};

SipEdge::SipEdge(Watcher &watcher, int publicPort, std::chrono::milliseconds orphanGrace)
    : m_watcher(watcher)
    , m_wantedPort(publicPort)
    , m_orphanGrace(orphanGrace)
    , m_buffer(kMaxDatagram)
    , m_probe(std::make_unique<SipProbe>())
{
}

SipEdge::~SipEdge()
{
    while (!m_relays.empty())
        drop(m_relays.size() - 1);
    for (int fd : { m_public4, m_public6 }) {
        if (fd >= 0) {
            m_watcher.unwatch(fd);
            ::close(fd);
        }
    }
}

int SipEdge::publicPort() const
{
    sockaddr_storage a;
    const int fd = m_public4 >= 0 ? m_public4 : m_public6;
    return fd >= 0 && localAddress(fd, a) ? portOf(a) : 0;
}

int SipEdge::publicSocket(int family)
{
    int &fd = family == AF_INET6 ? m_public6 : m_public4;
    if (fd >= 0)
        return fd;
    const int s = ::socket(family, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (s < 0)
        return -1;
    sockaddr_storage any {};
    any.ss_family = sa_family_t(family);
    if (family == AF_INET6) {
        const int on = 1;
        ::setsockopt(s, IPPROTO_IPV6, IPV6_V6ONLY, &on, sizeof on);
    }
    // Both families on one port when they can be.
    const int other = publicPort();
    setPort(any, m_wantedPort > 0 ? m_wantedPort : other);
    if (::bind(s, reinterpret_cast<sockaddr *>(&any), lengthOf(any)) != 0) {
        setPort(any, m_wantedPort);
        if (m_wantedPort > 0 || other == 0
            || ::bind(s, reinterpret_cast<sockaddr *>(&any), lengthOf(any)) != 0) {
            const int error = errno;
            ::close(s);
            errno = error;
            return -1;
        }
    }
    fd = s;
    m_watcher.watch(fd);
    return fd;
}

int SipEdge::connectStackSocket(int stackFd, const sockaddr *dest, socklen_t destLength)
{
    sweep();
    if (m_relays.size() >= kMaxRelays) {
        errno = ENOBUFS;
        return -1;
    }
    auto relay = std::make_unique<Relay>();
    relay->stackFd = stackFd;
    relay->peer = plain(dest, destLength);
    sockaddr_storage raw {};
    socklen_t rawLength = sizeof raw;
    if (::getsockname(stackFd, reinterpret_cast<sockaddr *>(&raw), &rawLength) != 0
        || publicSocket(relay->peer.ss_family) < 0)
        return -1;
    const int stackFamily = raw.ss_family;

    // The address the network sees: the one the kernel picks to reach the
    // peer, with the public socket's port. Unreachable peers fail here, as
    // the stack's own connect would.
    {
        const int probe = ::socket(relay->peer.ss_family, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        if (probe < 0)
            return -1;
        sockaddr_storage shown;
        const bool ok
            = ::connect(probe, reinterpret_cast<sockaddr *>(&relay->peer), lengthOf(relay->peer)) == 0
            && localAddress(probe, shown);
        const int error = errno;
        ::close(probe);
        if (!ok) {
            errno = error;
            return -1;
        }
        setPort(shown, publicPort());
        relay->shownAddress = inFamily(shown, stackFamily);
    }

    relay->relayFd = ::socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (relay->relayFd < 0)
        return -1;
    sockaddr_in loopback {};
    loopback.sin_family = AF_INET;
    loopback.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    sockaddr_storage relayTarget;
    bool ok = ::bind(relay->relayFd, reinterpret_cast<sockaddr *>(&loopback), sizeof loopback) == 0
        && localAddress(relay->relayFd, relay->relayAddress);
    if (ok) {
        relayTarget = inFamily(relay->relayAddress, stackFamily);
        ok = ::connect(stackFd, reinterpret_cast<sockaddr *>(&relayTarget), lengthOf(relayTarget)) == 0
            && localAddress(stackFd, relay->stackAddress)
            && ::connect(relay->relayFd, reinterpret_cast<sockaddr *>(&relay->stackAddress),
                   lengthOf(relay->stackAddress))
                == 0;
    }
    if (!ok) {
        const int error = errno;
        ::close(relay->relayFd);
        errno = error;
        return -1;
    }
    // Not for programs Ralu starts (a browser): the stack leaves it out.
    ::fcntl(stackFd, F_SETFD, ::fcntl(stackFd, F_GETFD) | FD_CLOEXEC);
    relay->lastSent = Clock::now();
    for (auto &older : m_relays) {
        if (same(older->peer, relay->peer) && !older->probing) {
            static constexpr char kCrlf[] = "\r\n\r\n";
            ::send(older->relayFd, kCrlf, sizeof kCrlf - 1, MSG_DONTWAIT);
            older->probing = true;
            older->probedAt = relay->lastSent;
        }
    }
    m_watcher.watch(relay->relayFd);
    m_relays.push_back(std::move(relay));
    return 0;
}

bool SipEdge::publicAddress(int stackFd, sockaddr *address, socklen_t *length) const
{
    for (const auto &relay : m_relays) {
        if (relay->stackFd != stackFd || !alive(*relay))
            continue;
        const socklen_t full = lengthOf(relay->shownAddress);
        std::memcpy(address, &relay->shownAddress, std::min(*length, full));
        *length = full;
        return true;
    }
    return false;
}

bool SipEdge::alive(const Relay &relay) const
{
    // The stack closes its sockets itself: a socket that is gone, or whose
    // number now belongs to another socket, no longer talks to this relay.
    sockaddr_storage peer, own;
    return peerAddress(relay.stackFd, peer) && same(peer, relay.relayAddress)
        && localAddress(relay.stackFd, own) && same(own, relay.stackAddress);
}

void SipEdge::housekeeping()
{
    if (Clock::now() - m_lastSweep >= std::chrono::seconds(1))
        sweep();
    probeStep();
}

bool SipEdge::probeRegistrar(std::function<void(bool answered)> done)
{
    if (!m_probe->start(Clock::now()))
        return false;
    m_probeDone = std::move(done);
    probeStep();
    return true;
}

void SipEdge::probeStep()
{
    const auto now = Clock::now();
    const std::string request = m_probe->due(now);
    const int publicFd = request.empty() ? -1 : publicSocket(m_registrar.ss_family);
    if (publicFd >= 0
        && ::sendto(publicFd, request.data(), request.size(), MSG_DONTWAIT,
               reinterpret_cast<const sockaddr *>(&m_registrar), lengthOf(m_registrar))
            >= 0)
        ++m_counts.sent;
    const auto outcome = m_probe->take(now);
    if (outcome != SipProbe::Outcome::None && m_probeDone) {
        const auto done = std::move(m_probeDone);
        m_probeDone = nullptr;
        done(outcome == SipProbe::Outcome::Answered);
    }
}

void SipEdge::sweep()
{
    const auto now = Clock::now();
    m_lastSweep = now;
    for (std::size_t i = m_relays.size(); i-- > 0;) {
        Relay &r = *m_relays[i];
        if (!alive(r)) {
            drop(i);
            continue;
        }
        if (!r.probing || now - r.probedAt < m_orphanGrace)
            continue;
        int unread = 0;
        if (::ioctl(r.stackFd, FIONREAD, &unread) == 0 && unread > 0) {
            ::close(r.stackFd); // forgotten by the stack, which will never close it
            drop(i);
        } else {
            r.probing = false;
        }
    }
    while (!m_direct.empty() && now - m_direct.front().second.second > kDirectLifetime)
        m_direct.pop_front();
}

void SipEdge::drop(std::size_t index)
{
    const int fd = m_relays[index]->relayFd;
    m_watcher.unwatch(fd);
    ::close(fd);
    m_relays.erase(m_relays.begin() + std::ptrdiff_t(index));
}

SipEdge::Relay *SipEdge::relayFor(const sockaddr_storage &peer)
{
    for (std::size_t i = m_relays.size(); i-- > 0;)
        if (same(m_relays[i]->peer, peer) && !alive(*m_relays[i]))
            drop(i);
    // The stack's socket for that peer that it used last.
    Relay *best = nullptr;
    for (const auto &r : m_relays)
        if (same(r->peer, peer) && (!best || r->lastSent >= best->lastSent))
            best = r.get();
    return best;
}

void SipEdge::onReadable(int fd)
{
    if (fd >= 0 && (fd == m_public4 || fd == m_public6)) {
        fromNetwork(fd);
        return;
    }
    for (std::size_t i = 0; i < m_relays.size(); ++i) {
        if (m_relays[i]->relayFd == fd) {
            fromStack(*m_relays[i]);
            return;
        }
    }
}

void SipEdge::fromNetwork(int publicFd)
{
    for (int n = 0; n < kBurst; ++n) {
        sockaddr_storage source {};
        socklen_t length = sizeof source;
        const ssize_t got = ::recvfrom(publicFd, m_buffer.data(), m_buffer.size(), MSG_DONTWAIT | MSG_TRUNC,
            reinterpret_cast<sockaddr *>(&source), &length);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return; // EAGAIN, or an error that reading has now cleared
        }
        if (std::size_t(got) > m_buffer.size()) {
            ++m_counts.dropped; // cut by the buffer: never whole
            continue;
        }
        handleIncoming(publicFd, plain(reinterpret_cast<sockaddr *>(&source), length),
            std::string_view(m_buffer.data(), std::size_t(got)));
    }
}

void SipEdge::handleIncoming(int publicFd, const sockaddr_storage &source, std::string_view data)
{
    const SipDatagram d = inspectSipDatagram(data);
    using Kind = SipDatagram::Kind;
    if (d.kind == Kind::Response && same(source, m_registrar) && m_probe->answer(d.topViaBranch))
        return; // our own probe's answer: not the stack's
    const bool peer = relayFor(source) != nullptr;
    const auto dialog = std::find_if(m_dialogs.begin(), m_dialogs.end(),
        [&d](const auto &entry) { return !d.callId.empty() && entry.first == d.callId; });
    const bool inDialog = d.hasToTag && dialog != m_dialogs.end();

    if (d.kind == Kind::Dropped || (!peer && !(d.kind == Kind::Request && inDialog))) {
        ++m_counts.dropped; // nothing we can read, or a stranger: only the provider starts calls
        return;
    }
    if (d.kind == Kind::Refused) {
        answer(publicFd, source, data, d.refuseCode, d.refusePhrase);
        return;
    }
    if (d.isRequest("REFER")) {
        // Ralu transfers nothing on a far end's behalf: no call the
        // customer did not place, the current call goes on.
        answer(publicFd, source, data, 603, "Decline");
        return;
    }
    if (peer) {
        noteDialog(d, source);
        deliver(source, data);
        return;
    }
    // A far end within a dialog, straight to our Contact.
    if (d.method != "ACK" && !d.topViaBranch.empty()) {
        if (m_direct.size() >= kMaxDirect)
            m_direct.pop_front();
        m_direct.push_back({ d.topViaBranch, { source, Clock::now() } });
    }
    deliver(dialog->second, data);
}

void SipEdge::noteDialog(const SipDatagram &d, const sockaddr_storage &peer)
{
    if (d.kind != SipDatagram::Kind::Response || d.status < 200 || d.status >= 300 || d.callId.empty())
        return;
    auto it = std::find_if(
        m_dialogs.begin(), m_dialogs.end(), [&d](const auto &entry) { return entry.first == d.callId; });
    if (d.cseqMethod == "INVITE" && it == m_dialogs.end()) {
        if (m_dialogs.size() >= kMaxDialogs)
            m_dialogs.pop_front();
        m_dialogs.push_back({ d.callId, peer });
    } else if (d.cseqMethod == "BYE" && it != m_dialogs.end()) {
        m_dialogs.erase(it);
    }
}

bool SipEdge::deliver(const sockaddr_storage &peer, std::string_view data)
{
    Relay *relay = relayFor(peer);
    if (!relay || ::send(relay->relayFd, data.data(), data.size(), MSG_DONTWAIT) < 0) {
        ++m_counts.dropped;
        return false;
    }
    ++m_counts.delivered;
    return true;
}

void SipEdge::fromStack(Relay &relay)
{
    const int relayFd = relay.relayFd;
    for (int n = 0; n < kBurst; ++n) {
        const ssize_t got = ::recv(relayFd, m_buffer.data(), m_buffer.size(), MSG_DONTWAIT | MSG_TRUNC);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            if (errno == ECONNREFUSED) // the stack closed its socket: this relay is done
                sweep();
            return;
        }
        const std::string_view data(
            m_buffer.data(), std::min<std::size_t>(std::size_t(got), m_buffer.size()));
        relay.lastSent = Clock::now();
        sockaddr_storage to = relay.peer;
        const SipDatagram d = inspectSipDatagram(data);
        if (d.kind == SipDatagram::Kind::Response && !d.topViaBranch.empty()) {
            for (const auto &[branch, where] : m_direct)
                if (branch == d.topViaBranch)
                    to = where.first;
        }
        noteDialog(d, relay.peer);
        if (d.isRequest("REGISTER")) {
            m_probe->noteRegister(data);
            m_registrar = relay.peer;
        }
        const int publicFd = publicSocket(to.ss_family);
        if (publicFd >= 0
            && ::sendto(publicFd, data.data(), data.size(), MSG_DONTWAIT, reinterpret_cast<sockaddr *>(&to),
                   lengthOf(to))
                >= 0)
            ++m_counts.sent;
    }
}

void SipEdge::answer(
    int publicFd, const sockaddr_storage &to, std::string_view request, int code, std::string_view phrase)
{
    ++m_counts.refused;
    const std::string response = sipRefusal(request, code, phrase);
    if (!response.empty())
        ::sendto(publicFd, response.data(), response.size(), MSG_DONTWAIT,
            reinterpret_cast<const sockaddr *>(&to), lengthOf(to));
}

} // namespace ralu
