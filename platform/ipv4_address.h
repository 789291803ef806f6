#pragma once
// The system's form of an IPv4 address and port, shared by the stream and datagram sockets.
// Addresses and ports are given in host byte order.

#include <arpa/inet.h>
#include <netinet/in.h>

#include <cstdint>

namespace platform {

inline sockaddr_in Ipv4(std::uint32_t address, std::uint16_t port) {
  sockaddr_in where{};
  where.sin_family = AF_INET;
  where.sin_addr.s_addr = htonl(address);
  where.sin_port = htons(port);
  return where;
}

}  // namespace platform
