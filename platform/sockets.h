#pragma once
// Winsock and the owners of what it hands out: the library's session, sockets and resolved
// address lists.
// clang-format off
#include <winsock2.h>  // before the Windows headers, which would bring the old winsock.h
#include <ws2tcpip.h>
#include "platform/handles.h"
// clang-format on

namespace platform {

struct SocketTraits {
    using Handle = SOCKET;
    static Handle Invalid() { return INVALID_SOCKET; }
    static void Close(Handle h) { closesocket(h); }
};
using Socket = UniqueHandle<SocketTraits>;

struct AddressListTraits {
    using Handle = addrinfo*;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle h) { freeaddrinfo(h); }
};
using AddressList = UniqueHandle<AddressListTraits>;

// Winsock for as long as it lives; false when the library cannot start.
class WinsockSession {
public:
    WinsockSession() {
        WSADATA data{};
        started_ = WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }
    WinsockSession(const WinsockSession&) = delete;
    WinsockSession& operator=(const WinsockSession&) = delete;
    ~WinsockSession() {
        if (started_) WSACleanup();
    }
    explicit operator bool() const { return started_; }

private:
    bool started_ = false;
};

}  // namespace platform
