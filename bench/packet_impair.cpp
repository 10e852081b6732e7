// Loss and jitter for the packets of netfilter queue 0, where no netem
// qdisc is at hand (bench/sound.sh queues the far end's RTP there with
// iptables): each packet is dropped with the loss probability, else let
// through after the delay plus a uniform random part within +-jitter (so
// packets overtake each other, as with netem's jitter).
//
//   packet_impair [SEED]
// Standard input: lines "LOSS_PERCENT DELAY_MS JITTER_MS" (the first line
// applies at once, each next one from its arrival; "0 0 0" lets everything
// through). Prints "READY" once bound and "SET ..." for each line.
#include <arpa/inet.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <libnetfilter_queue/libnetfilter_queue.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <random>
#include <string>

namespace {

using Clock = std::chrono::steady_clock;
constexpr uint32_t kDrop = 0, kAccept = 1; // NF_DROP, NF_ACCEPT (linux/netfilter.h clashes with netinet/in.h)

struct State {
    nfq_q_handle *queue = nullptr;
    double loss = 0, delayMs = 0, jitterMs = 0;
    std::mt19937 random { 1 };
    std::multimap<Clock::time_point, uint32_t> held; // release moment -> packet id
};

int onPacket(nfq_q_handle *queue, nfgenmsg *, nfq_data *data, void *context)
{
    auto &s = *static_cast<State *>(context);
    const nfqnl_msg_packet_hdr *header = nfq_get_msg_packet_hdr(data);
    if (!header)
        return 0;
    const uint32_t id = ntohl(header->packet_id);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    if (unit(s.random) * 100.0 < s.loss)
        return nfq_set_verdict(queue, id, kDrop, 0, nullptr);
    const double ms = std::max(0.0, s.delayMs + (2 * unit(s.random) - 1) * s.jitterMs);
    if (ms <= 0)
        return nfq_set_verdict(queue, id, kAccept, 0, nullptr);
    s.held.emplace(Clock::now() + std::chrono::microseconds(long(ms * 1000)), id);
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    State s;
    if (argc > 1)
        s.random.seed(std::strtoul(argv[1], nullptr, 10));
    nfq_handle *handle = nfq_open();
    if (!handle || (s.queue = nfq_create_queue(handle, 0, onPacket, &s)) == nullptr
        || nfq_set_mode(s.queue, NFQNL_COPY_META, 0) < 0) {
        std::fprintf(stderr, "packet_impair: cannot bind netfilter queue 0 (root, iptables NFQUEUE)\n");
        return 1;
    }
    nfq_set_queue_maxlen(s.queue, 4096);
    std::printf("READY\n");
    std::fflush(stdout);
    char buffer[65536];
    std::string line;
    pollfd fds[2] = { { nfq_fd(handle), POLLIN, 0 }, { 0, POLLIN, 0 } };
    for (;;) {
        int timeout = -1;
        if (!s.held.empty()) {
            const auto wait = s.held.begin()->first - Clock::now();
            timeout
                = int(std::max<long>(0, std::chrono::duration_cast<std::chrono::milliseconds>(wait).count()));
        }
        if (poll(fds, 2, timeout) < 0)
            break;
        if (fds[0].revents & POLLIN) {
            const ssize_t n = recv(fds[0].fd, buffer, sizeof buffer, 0);
            if (n > 0)
                nfq_handle_packet(handle, buffer, int(n));
        }
        if (fds[1].revents & (POLLIN | POLLHUP)) {
            char c;
            if (read(0, &c, 1) != 1)
                break; // standard input closed: done
            if (c != '\n') {
                line += c;
            } else {
                std::sscanf(line.c_str(), "%lf %lf %lf", &s.loss, &s.delayMs, &s.jitterMs);
                std::printf("SET %.1f %.1f %.1f\n", s.loss, s.delayMs, s.jitterMs);
                std::fflush(stdout);
                line.clear();
            }
        }
        const auto now = Clock::now();
        while (!s.held.empty() && s.held.begin()->first <= now) {
            nfq_set_verdict(s.queue, s.held.begin()->second, kAccept, 0, nullptr);
            s.held.erase(s.held.begin());
        }
    }
    nfq_destroy_queue(s.queue);
    nfq_close(handle);
    return 0;
}
