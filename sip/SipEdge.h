// The SIP stack's network edge: one UDP socket that faces the network, and
// a relay between it and the stack's own sockets.
//
// The stack makes a socket for each peer it talks to and connects it there.
// Each such connect is turned into a connect to a relay socket of ours on
// the loopback, and the stack is told the public socket's address as its
// own (its Via and Contact carry it). What the stack sends leaves through
// the public socket to the peer it meant; what arrives there is checked
// (SipDatagram) before the stack sees a byte of it, and then handed to the
// stack's socket for that peer.
//
// What the edge lets in:
//  - from a peer the stack talks to (the provider, or a far end it sent a
//    request to): any message within the bounds; only such a peer can
//    start a call, as when the stack's sockets were connected to it;
//  - from anywhere else: requests within a dialog the edge saw established
//    (a far end that sends its ACK, re-INVITE or BYE straight to our
//    Contact, ignoring Record-Route); their responses go back to it.
// A request outside the bounds is answered by the edge itself (4xx), and so
// is a transfer request (REFER): the program places no call it was not
// asked to place. Our own REFER leaves like any request, and the far end's
// NOTIFYs about it come in as requests within the dialog.
//
// Why a relay: the public socket is never connected, so an ICMP error from
// a peer that is gone is not turned into an endless poll error, and a
// message from a far end within a dialog can reach the stack.
//
// Sockets the stack forgets: when the stack gives up a socket (after an
// error or a time-out) it stops reading it but never closes it, and makes a
// new one for the same peer (one descriptor lost per failed registration).
// So when a new socket connects to a peer, the older ones for that peer get
// a keep-alive (CRLF, which the stack reads and drops); one that still has
// it unread after orphanGrace is no longer the stack's: the edge closes it.
//
// Is the provider there: probeRegistrar() sends an OPTIONS request
// (SipProbe) from the public socket to the peer the stack last sent a
// REGISTER to; its answer is taken here and never reaches the stack.
//
// Threading: all of it runs on the SIP stack's thread (its socket calls and
// its main loop). POSIX sockets only; the loop is behind Watcher.
#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <sys/socket.h>
#include <vector>

namespace ralu {

struct SipDatagram;
class SipProbe;

class SipEdge {
public:
    // Watches descriptors for reading (the SIP stack's main loop).
    class Watcher {
    public:
        virtual ~Watcher() = default;
        virtual void watch(int fd) = 0;
        virtual void unwatch(int fd) = 0;
    };

    struct Counts {
        std::uint64_t delivered = 0; // to the stack
        std::uint64_t refused = 0; // answered by the edge
        std::uint64_t dropped = 0;
        std::uint64_t sent = 0; // from the stack to the network
    };

    // publicPort 0: a random port.
    SipEdge(Watcher &watcher, int publicPort = 0,
        std::chrono::milliseconds orphanGrace = std::chrono::seconds(5));
    ~SipEdge();
    SipEdge(const SipEdge &) = delete;
    SipEdge &operator=(const SipEdge &) = delete;

    // The stack connects its UDP socket stackFd to dest: it is connected to
    // a relay socket instead. 0, or -1 with errno set.
    int connectStackSocket(int stackFd, const sockaddr *dest, socklen_t destLength);
    // The address of stackFd as the network sees it, for a relayed socket
    // (false for any other descriptor).
    bool publicAddress(int stackFd, sockaddr *address, socklen_t *length) const;
    // A watched descriptor can be read (or has an error).
    void onReadable(int fd);
    // Called often (the stack's loop wakes several times a second): closes
    // what the stack forgot, at most once a second; sends the probe again
    // and reports its outcome.
    void housekeeping();
    // Asks the registrar whether it is there; done(answered) is called from
    // housekeeping() once that is known (a probe under way takes over the
    // new done). False when the stack has sent no REGISTER yet.
    bool probeRegistrar(std::function<void(bool answered)> done);

    const Counts &counts() const { return m_counts; }
    // Relay sockets held now (each stands for one socket of the stack).
    std::size_t relayCount() const { return m_relays.size(); }
    // The public socket's port, 0 before the first connect.
    int publicPort() const;

private:
    struct Relay;
    struct Peer;
    using Clock = std::chrono::steady_clock;

    int publicSocket(int family);
    void fromNetwork(int publicFd);
    void fromStack(Relay &relay);
    void handleIncoming(int publicFd, const sockaddr_storage &source, std::string_view data);
    void noteDialog(const SipDatagram &d, const sockaddr_storage &peer);
    bool deliver(const sockaddr_storage &peer, std::string_view data);
    Relay *relayFor(const sockaddr_storage &peer);
    bool alive(const Relay &relay) const;
    void sweep();
    void drop(std::size_t index);
    void probeStep();
    void answer(int publicFd, const sockaddr_storage &to, std::string_view request, int code,
        std::string_view phrase);

    Watcher &m_watcher;
    int m_wantedPort;
    std::chrono::milliseconds m_orphanGrace;
    Clock::time_point m_lastSweep {};
    int m_public4 = -1;
    int m_public6 = -1;
    std::vector<std::unique_ptr<Relay>> m_relays;
    // Dialogs established through the edge (Call-ID -> the peer that
    // carried it), most recent last.
    std::deque<std::pair<std::string, sockaddr_storage>> m_dialogs;
    // Requests let in from outside the stack's peers, by top Via branch:
    // their responses go back there.
    std::deque<std::pair<std::string, std::pair<sockaddr_storage, Clock::time_point>>> m_direct;
    std::vector<char> m_buffer;
    Counts m_counts;
    std::unique_ptr<SipProbe> m_probe;
    sockaddr_storage m_registrar {};
    std::function<void(bool)> m_probeDone;
};

} // namespace ralu
