#include "timesync/udp_exchange.h"

#include <string>

namespace timesync {

platform::Socket ConnectUdp(const horolux::ServerAddress& server) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_DGRAM;
    hints.ai_protocol = IPPROTO_UDP;
    platform::AddressList addresses;
    const std::string port = std::to_string(server.port);
    if (getaddrinfo(server.host.c_str(), port.c_str(), &hints, addresses.Receive()) != 0) return {};
    for (const addrinfo* a = addresses.Get(); a; a = a->ai_next) {
        platform::Socket s(socket(a->ai_family, a->ai_socktype, a->ai_protocol));
        if (s && connect(s.Get(), a->ai_addr, static_cast<int>(a->ai_addrlen)) == 0) return s;
    }
    return {};
}

std::optional<std::vector<std::uint8_t>> ReceiveDatagram(SOCKET s, horolux::UnixMicros waitMicros) {
    if (waitMicros <= 0) return std::nullopt;
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(s, &readable);
    timeval wait{static_cast<long>(waitMicros / 1000000), static_cast<long>(waitMicros % 1000000)};
    if (select(0, &readable, nullptr, nullptr, &wait) != 1) return std::nullopt;
    std::vector<std::uint8_t> datagram(16384);  // room for an NTS answer and its cookies
    const int got =
        recv(s, reinterpret_cast<char*>(datagram.data()), static_cast<int>(datagram.size()), 0);
    // A closed port answers with an ICMP message, which Winsock reports here.
    if (got < 0) return std::nullopt;
    datagram.resize(static_cast<std::size_t>(got));
    return datagram;
}

}  // namespace timesync
