// The SIP edge on real loopback sockets: a "stack" socket relayed to a
// "provider", a stranger, and what each may send through.
#include "sip/SipDatagram.h"
#include "sip/SipEdge.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <dirent.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <set>
#include <string>
#include <unistd.h>

using namespace ralu;

namespace {

class PollWatcher : public SipEdge::Watcher {
public:
    void watch(int fd) override { fds.insert(fd); }
    void unwatch(int fd) override { fds.erase(fd); }
    std::set<int> fds;
};

int udpSocket(sockaddr_in *address = nullptr)
{
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK, 0);
    sockaddr_in a {};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(fd, reinterpret_cast<sockaddr *>(&a), sizeof a);
    socklen_t length = sizeof a;
    ::getsockname(fd, reinterpret_cast<sockaddr *>(&a), &length);
    if (address)
        *address = a;
    return fd;
}

std::string sip(const std::string &startLine, const std::string &cseq, const std::string &toTag = {})
{
    return startLine + "\r\nVia: SIP/2.0/UDP 127.0.0.1:5060;branch=z9hG4bK" + cseq.substr(0, 1)
        + "\r\nFrom: <sip:1002@127.0.0.1>;tag=a\r\nTo: <sip:1001@127.0.0.1>" + toTag
        + "\r\nCall-ID: call-1\r\nCSeq: " + cseq + "\r\nContent-Length: 0\r\n\r\n";
}

struct EdgeTest : ::testing::Test {
    PollWatcher watcher;
    SipEdge edge { watcher, 0, std::chrono::milliseconds(50) };
    sockaddr_in providerAddress {}, strangerAddress {};
    int provider = udpSocket(&providerAddress);
    int stranger = udpSocket(&strangerAddress);
    int stack = ::socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK, 0);

    ~EdgeTest() override
    {
        for (int fd : { provider, stranger, stack })
            ::close(fd);
    }

    // Runs the edge's side until nothing moves for a while.
    void pump()
    {
        for (int idle = 0; idle < 3;) {
            std::vector<pollfd> p;
            for (int fd : watcher.fds)
                p.push_back({ fd, POLLIN, 0 });
            if (::poll(p.data(), p.size(), 20) <= 0) {
                ++idle;
                continue;
            }
            for (const pollfd &x : p)
                if (x.revents)
                    edge.onReadable(x.fd);
        }
    }
    static std::string take(int fd, sockaddr_in *from = nullptr)
    {
        char buffer[65536];
        socklen_t length = sizeof(sockaddr_in);
        const ssize_t n
            = ::recvfrom(fd, buffer, sizeof buffer, 0, reinterpret_cast<sockaddr *>(from), &length);
        return n < 0 ? std::string() : std::string(buffer, std::size_t(n));
    }
    void sendFrom(int fd, const std::string &data)
    {
        sockaddr_in to {};
        to.sin_family = AF_INET;
        to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        to.sin_port = htons(uint16_t(edge.publicPort()));
        ::sendto(fd, data.data(), data.size(), 0, reinterpret_cast<sockaddr *>(&to), sizeof to);
        pump();
    }
    void stackSends(const std::string &data)
    {
        ::send(stack, data.data(), data.size(), 0);
        pump();
    }
    void connectStack(int fd = -1)
    {
        ASSERT_EQ(edge.connectStackSocket(fd < 0 ? stack : fd, reinterpret_cast<sockaddr *>(&providerAddress),
                      sizeof providerAddress),
            0);
    }
};

std::size_t openDescriptors()
{
    std::size_t n = 0;
    if (DIR *d = ::opendir("/proc/self/fd")) {
        while (::readdir(d))
            ++n;
        ::closedir(d);
    }
    return n;
}

} // namespace

TEST_F(EdgeTest, RelaysBothWaysAndShowsThePublicAddress)
{
    connectStack();
    sockaddr_in shown {};
    socklen_t length = sizeof shown;
    ASSERT_TRUE(edge.publicAddress(stack, reinterpret_cast<sockaddr *>(&shown), &length));
    EXPECT_EQ(ntohs(shown.sin_port), edge.publicPort());

    stackSends(sip("REGISTER sip:127.0.0.1 SIP/2.0", "1 REGISTER"));
    sockaddr_in from {};
    EXPECT_EQ(take(provider, &from).rfind("REGISTER", 0), 0u);
    EXPECT_EQ(ntohs(from.sin_port), edge.publicPort()); // it left through the public socket

    sendFrom(provider, sip("INVITE sip:1001@127.0.0.1 SIP/2.0", "1 INVITE"));
    EXPECT_EQ(take(stack).rfind("INVITE", 0), 0u);
    // Only the provider starts calls.
    sendFrom(stranger, sip("INVITE sip:1001@127.0.0.1 SIP/2.0", "1 INVITE"));
    EXPECT_EQ(take(stack), "");
    EXPECT_EQ(take(stranger), "");
}

TEST_F(EdgeTest, AFarEndWithinADialogReachesTheStackAndGetsItsAnswers)
{
    connectStack();
    sendFrom(stranger, sip("BYE sip:1001@127.0.0.1 SIP/2.0", "2 BYE", ";tag=b"));
    EXPECT_EQ(take(stack), ""); // no dialog yet

    sendFrom(provider, sip("INVITE sip:1001@127.0.0.1 SIP/2.0", "1 INVITE"));
    take(stack);
    stackSends(sip("SIP/2.0 200 OK", "1 INVITE", ";tag=b"));
    EXPECT_EQ(take(provider).rfind("SIP/2.0 200", 0), 0u);

    sendFrom(stranger, sip("BYE sip:1001@127.0.0.1 SIP/2.0", "2 BYE", ";tag=b"));
    EXPECT_EQ(take(stack).rfind("BYE", 0), 0u);
    stackSends(sip("SIP/2.0 200 OK", "2 BYE", ";tag=b"));
    EXPECT_EQ(take(stranger).rfind("SIP/2.0 200", 0), 0u); // back to where the BYE came from
    EXPECT_EQ(take(provider), "");
}

TEST_F(EdgeTest, RefusesTransfersAndOversizedRequestsItself)
{
    connectStack();
    const struct {
        std::string request;
        const char *answer;
    } cases[] = {
        { sip("REFER sip:1001@127.0.0.1 SIP/2.0", "3 REFER", ";tag=b"), "SIP/2.0 603 " },
        { sip("INVITE sip:" + std::string(600, '5') + "@127.0.0.1 SIP/2.0", "1 INVITE"), "SIP/2.0 414 " },
    };
    for (const auto &c : cases) {
        sendFrom(provider, c.request);
        EXPECT_EQ(take(provider).rfind(c.answer, 0), 0u) << c.answer;
        EXPECT_EQ(take(stack), "") << c.answer;
    }
    EXPECT_EQ(edge.counts().refused, 2u);
}

TEST_F(EdgeTest, ARelayGoesWithTheStackSocket)
{
    const std::size_t before = openDescriptors();
    for (int i = 0; i < 50; ++i) {
        ::close(stack);
        stack = ::socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK, 0);
        connectStack();
    }
    EXPECT_EQ(edge.relayCount(), 1u);
    EXPECT_LE(openDescriptors(), before + 2); // the relay and the public socket
}

TEST_F(EdgeTest, ASocketTheStackForgotIsClosedOneItStillReadsIsKept)
{
    const int forgotten = ::socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK, 0);
    connectStack(forgotten);
    connectStack(); // a new socket for the same peer: the older one is asked
    const int newest = ::socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK, 0);
    connectStack(newest);
    EXPECT_EQ(take(stack), "\r\n\r\n"); // read, as the stack reads its sockets
    ::usleep(1100 * 1000);
    edge.housekeeping();
    EXPECT_EQ(::fcntl(forgotten, F_GETFD), -1) << "the forgotten socket is closed";
    EXPECT_NE(::fcntl(stack, F_GETFD), -1);
    EXPECT_EQ(edge.relayCount(), 2u);
    ::close(newest);
}

TEST_F(EdgeTest, AsksTheRegistrarWhetherItIsThereAndKeepsTheAnswerFromTheStack)
{
    connectStack();
    std::vector<bool> outcomes;
    EXPECT_FALSE(edge.probeRegistrar([&](bool answered) { outcomes.push_back(answered); }));
    stackSends(sip("REGISTER sip:127.0.0.1 SIP/2.0", "1 REGISTER"));
    take(provider);
    ASSERT_TRUE(edge.probeRegistrar([&](bool answered) { outcomes.push_back(answered); }));
    sockaddr_in from {};
    const std::string probe = take(provider, &from);
    ASSERT_TRUE(inspectSipDatagram(probe).isRequest("OPTIONS")) << probe;
    EXPECT_EQ(ntohs(from.sin_port), edge.publicPort());

    const std::string answer = sipRefusal(probe, 200, "OK");
    sendFrom(stranger, answer); // only the registrar answers it
    edge.housekeeping();
    EXPECT_TRUE(outcomes.empty());
    sendFrom(provider, answer);
    EXPECT_EQ(take(stack), "");
    edge.housekeeping();
    EXPECT_EQ(outcomes, std::vector<bool> { true });
}
