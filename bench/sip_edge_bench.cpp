// What the SIP edge costs per message: the checks of one datagram (an INVITE
// as the provider relays it), and a datagram relayed from the network to the
// stack's socket on the loopback against the same datagram sent straight
// there. CPU time per message, the process's own (user + system).
//   sip_edge_bench [MESSAGES (200000)]
#include "sip/SipDatagram.h"
#include "sip/SipEdge.h"

#include <arpa/inet.h>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <netinet/in.h>
#include <poll.h>
#include <set>
#include <string>
#include <sys/resource.h>
#include <unistd.h>

using namespace ralu;

namespace {

const std::string kInvite
    = "INVITE sip:1001@127.0.0.1:40000;transport=udp SIP/2.0\r\n"
      "Record-Route: <sip:127.0.0.1;lr;ftag=as1c2d3e4f>\r\n"
      "Via: SIP/2.0/UDP 127.0.0.1:5060;branch=z9hG4bKcydzigwkX\r\n"
      "Via: SIP/2.0/UDP 127.0.0.1:5080;rport=5080;branch=z9hG4bK-1-inv-1\r\n"
      "Max-Forwards: 69\r\nFrom: \"Alice\" <sip:5550100@127.0.0.1>;tag=1SIPpTag001\r\n"
      "To: <sip:1001@127.0.0.1>\r\nCall-ID: 1-4321@127.0.0.1\r\nCSeq: 1 INVITE\r\n"
      "Contact: <sip:5550100@127.0.0.1:5080;transport=UDP>\r\n"
      "Content-Type: application/sdp\r\nContent-Length: 187\r\n\r\n"
      "v=0\r\no=caller 53655765 2353687637 IN IP4 127.0.0.1\r\ns=-\r\n"
      "c=IN IP4 127.0.0.1\r\nt=0 0\r\nm=audio 17000 RTP/AVP 0 101\r\n"
      "a=rtpmap:0 PCMU/8000\r\na=rtpmap:101 telephone-event/8000\r\na=fmtp:101 0-15\r\n";

double cpuSeconds()
{
    rusage u {};
    ::getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec)
        + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

struct Watcher : SipEdge::Watcher {
    std::set<int> fds;
    void watch(int fd) override { fds.insert(fd); }
    void unwatch(int fd) override { fds.erase(fd); }
};

int boundSocket(sockaddr_in &a)
{
    const int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
    a = {};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(fd, reinterpret_cast<sockaddr *>(&a), sizeof a);
    socklen_t l = sizeof a;
    ::getsockname(fd, reinterpret_cast<sockaddr *>(&a), &l);
    return fd;
}

// Sends n datagrams from `from` to `to`, each read at stackFd; relay pumps
// the edge between send and receive when given.
double perMessage(int n, int from, const sockaddr_in &to, int stackFd, SipEdge *edge, Watcher *w)
{
    char buffer[65536];
    const double start = cpuSeconds();
    for (int i = 0; i < n; ++i) {
        ::sendto(from, kInvite.data(), kInvite.size(), 0, reinterpret_cast<const sockaddr *>(&to), sizeof to);
        if (edge) {
            for (int fd : w->fds)
                edge->onReadable(fd);
        }
        ::recv(stackFd, buffer, sizeof buffer, 0);
    }
    return (cpuSeconds() - start) / n * 1e6;
}

} // namespace

int main(int argc, char **argv)
{
    const int n = argc > 1 ? std::atoi(argv[1]) : 200000;
    double start = cpuSeconds();
    int kinds = 0;
    for (int i = 0; i < n; ++i)
        kinds += int(inspectSipDatagram(kInvite).kind);
    const double inspect = (cpuSeconds() - start) / n * 1e6;

    Watcher w;
    SipEdge edge(w);
    sockaddr_in providerAddress, stackAddress;
    const int provider = boundSocket(providerAddress);
    const int stack = boundSocket(stackAddress);
    const int relayedStack = ::socket(AF_INET, SOCK_DGRAM, 0);
    edge.connectStackSocket(
        relayedStack, reinterpret_cast<sockaddr *>(&providerAddress), sizeof providerAddress);
    sockaddr_in publicAddress {};
    publicAddress.sin_family = AF_INET;
    publicAddress.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    publicAddress.sin_port = htons(uint16_t(edge.publicPort()));
    const double direct = perMessage(n / 4, provider, stackAddress, stack, nullptr, nullptr);
    const double relayed = perMessage(n / 4, provider, publicAddress, relayedStack, &edge, &w);
    std::printf("checks of one %zu-byte INVITE: %.2f us CPU (%d)\n", kInvite.size(), inspect, kinds & 1);
    std::printf("loopback datagram straight to the stack's socket: %.2f us CPU\n", direct);
    std::printf(
        "the same through the edge (checks and relay): %.2f us CPU, +%.2f us\n", relayed, relayed - direct);
    return 0;
}
