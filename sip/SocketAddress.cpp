#include "sip/SocketAddress.h"

#include <algorithm>
#include <cstring>
#include <sys/socket.h>

namespace ralu::address {

// An IPv4-mapped IPv6 address as the IPv4 address it is.
sockaddr_storage plain(const sockaddr *a, socklen_t length)
{
    sockaddr_storage s {};
    std::memcpy(&s, a, std::min<std::size_t>(length, sizeof s));
    if (s.ss_family == AF_INET6) {
        const auto *in6 = reinterpret_cast<const sockaddr_in6 *>(&s);
        if (IN6_IS_ADDR_V4MAPPED(&in6->sin6_addr)) {
            sockaddr_in in {};
            in.sin_family = AF_INET;
            in.sin_port = in6->sin6_port;
            std::memcpy(&in.sin_addr, in6->sin6_addr.s6_addr + 12, 4);
            s = {};
            std::memcpy(&s, &in, sizeof in);
        }
    }
    return s;
}

socklen_t lengthOf(const sockaddr_storage &s)
{
    return s.ss_family == AF_INET6 ? sizeof(sockaddr_in6) : sizeof(sockaddr_in);
}

// a in the family of a socket: IPv4 addresses as IPv4-mapped IPv6 ones for
// an IPv6 socket.
sockaddr_storage inFamily(const sockaddr_storage &a, int family)
{
    if (family != AF_INET6 || a.ss_family != AF_INET)
        return a;
    const auto *in = reinterpret_cast<const sockaddr_in *>(&a);
    sockaddr_in6 in6 {};
    in6.sin6_family = AF_INET6;
    in6.sin6_port = in->sin_port;
    in6.sin6_addr.s6_addr[10] = 0xff;
    in6.sin6_addr.s6_addr[11] = 0xff;
    std::memcpy(in6.sin6_addr.s6_addr + 12, &in->sin_addr, 4);
    sockaddr_storage s {};
    std::memcpy(&s, &in6, sizeof in6);
    return s;
}

bool same(const sockaddr_storage &a, const sockaddr_storage &b)
{
    if (a.ss_family != b.ss_family)
        return false;
    if (a.ss_family == AF_INET) {
        const auto *x = reinterpret_cast<const sockaddr_in *>(&a);
        const auto *y = reinterpret_cast<const sockaddr_in *>(&b);
        return x->sin_port == y->sin_port && x->sin_addr.s_addr == y->sin_addr.s_addr;
    }
    if (a.ss_family == AF_INET6) {
        const auto *x = reinterpret_cast<const sockaddr_in6 *>(&a);
        const auto *y = reinterpret_cast<const sockaddr_in6 *>(&b);
        return x->sin6_port == y->sin6_port && std::memcmp(&x->sin6_addr, &y->sin6_addr, 16) == 0;
    }
    return false;
}

void setPort(sockaddr_storage &a, int port)
{
    if (a.ss_family == AF_INET)
        reinterpret_cast<sockaddr_in *>(&a)->sin_port = htons(uint16_t(port));
    else
        reinterpret_cast<sockaddr_in6 *>(&a)->sin6_port = htons(uint16_t(port));
}

int portOf(const sockaddr_storage &a)
{
    return ntohs(a.ss_family == AF_INET ? reinterpret_cast<const sockaddr_in *>(&a)->sin_port
                                        : reinterpret_cast<const sockaddr_in6 *>(&a)->sin6_port);
}

bool localAddress(int fd, sockaddr_storage &out)
{
    socklen_t length = sizeof out;
    out = {};
    if (::getsockname(fd, reinterpret_cast<sockaddr *>(&out), &length) != 0)
        return false;
    out = plain(reinterpret_cast<sockaddr *>(&out), length);
    return true;
}

bool peerAddress(int fd, sockaddr_storage &out)
{
    socklen_t length = sizeof out;
    out = {};
    if (::getpeername(fd, reinterpret_cast<sockaddr *>(&out), &length) != 0)
        return false;
    out = plain(reinterpret_cast<sockaddr *>(&out), length);
    return true;
}

} // namespace ralu::address
