// Socket addresses as the SIP edge compares and hands them on: IPv4 and
// IPv4-mapped IPv6 alike, in a socket's own family, with their ports.
#pragma once

#include <netinet/in.h>
#include <sys/socket.h>

namespace ralu::address {

// An IPv4-mapped IPv6 address as the IPv4 address it is.
sockaddr_storage plain(const sockaddr *a, socklen_t length);
socklen_t lengthOf(const sockaddr_storage &s);
// a in the family of a socket: IPv4 addresses as IPv4-mapped IPv6 ones for
// an IPv6 socket.
sockaddr_storage inFamily(const sockaddr_storage &a, int family);
bool same(const sockaddr_storage &a, const sockaddr_storage &b);
void setPort(sockaddr_storage &a, int port);
int portOf(const sockaddr_storage &a);
bool localAddress(int fd, sockaddr_storage &out);
bool peerAddress(int fd, sockaddr_storage &out);

} // namespace ralu::address
