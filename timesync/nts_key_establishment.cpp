#include "timesync/nts_key_establishment.h"

// clang-format off
#include "platform/sockets.h"  // Winsock: before any other Windows header
// clang-format on

#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>

#include <chrono>
#include <cstring>
#include <memory>
#include <vector>

#include "core/timesource/nts_ke.h"
#include "timesync/server_certificate.h"

namespace timesync {

namespace {

using Clock = std::chrono::steady_clock;

struct ContextFree {
    void operator()(SSL_CTX* c) const { SSL_CTX_free(c); }
};
struct SslFree {
    void operator()(SSL* s) const { SSL_free(s); }
};

NtsKeyEstablishment Failed(NtsKeyEstablishment::Outcome outcome, std::string failure) {
    NtsKeyEstablishment ke;
    ke.outcome = outcome;
    ke.failure = std::move(failure);
    return ke;
}

DWORD MillisecondsUntil(Clock::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? static_cast<DWORD>(left) : 0;
}

// A TCP connection to the server, made within the deadline; blocking afterwards, with sends and
// receives bounded by what is left of it.
platform::Socket ConnectTo(const horolux::ServerAddress& server, Clock::time_point deadline) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_protocol = IPPROTO_TCP;
    platform::AddressList addresses;
    const std::string port = std::to_string(server.port);
    if (getaddrinfo(server.host.c_str(), port.c_str(), &hints, addresses.Receive()) != 0) return {};
    for (const addrinfo* a = addresses.Get(); a; a = a->ai_next) {
        platform::Socket s(socket(a->ai_family, a->ai_socktype, a->ai_protocol));
        if (!s) continue;
        u_long nonBlocking = 1;
        ioctlsocket(s.Get(), FIONBIO, &nonBlocking);
        if (connect(s.Get(), a->ai_addr, static_cast<int>(a->ai_addrlen)) != 0 &&
            WSAGetLastError() != WSAEWOULDBLOCK)
            continue;
        fd_set writable, failed;
        FD_ZERO(&writable);
        FD_SET(s.Get(), &writable);
        FD_ZERO(&failed);
        FD_SET(s.Get(), &failed);
        const DWORD wait = MillisecondsUntil(deadline);
        timeval tv{static_cast<long>(wait / 1000), static_cast<long>(wait % 1000 * 1000)};
        if (select(0, nullptr, &writable, &failed, &tv) != 1 || !FD_ISSET(s.Get(), &writable))
            continue;
        nonBlocking = 0;
        ioctlsocket(s.Get(), FIONBIO, &nonBlocking);
        const DWORD bound = MillisecondsUntil(deadline) + 1;  // 0 would mean no bound at all
        setsockopt(s.Get(), SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&bound),
                   sizeof bound);
        setsockopt(s.Get(), SOL_SOCKET, SO_SNDTIMEO, reinterpret_cast<const char*>(&bound),
                   sizeof bound);
        return s;
    }
    return {};
}

bool IsAddressLiteral(const std::string& host) {
    in6_addr v6{};
    in_addr v4{};
    return inet_pton(AF_INET, host.c_str(), &v4) == 1 ||
           inet_pton(AF_INET6, host.c_str(), &v6) == 1;
}

// The first reason OpenSSL queued, for the words of a failed handshake.
std::string TlsReason() {
    const unsigned long error = ERR_get_error();
    ERR_clear_error();
    const char* reason = error ? ERR_reason_error_string(error) : nullptr;
    return reason ? reason : "the connection ended";
}

CertificateChain PeerChain(SSL* ssl) {
    CertificateChain chain;
    const STACK_OF(X509)* sent = SSL_get_peer_cert_chain(ssl);
    for (int i = 0; sent && i < sk_X509_num(sent); ++i) {
        X509* certificate = sk_X509_value(sent, i);
        const int size = i2d_X509(certificate, nullptr);
        if (size <= 0) continue;
        std::vector<std::uint8_t> der(static_cast<std::size_t>(size));
        unsigned char* at = der.data();
        if (i2d_X509(certificate, &at) == size) chain.push_back(std::move(der));
    }
    return chain;
}

std::vector<std::uint8_t> ExportKey(SSL* ssl, bool serverToClient) {
    std::vector<std::uint8_t> key(horolux::kAeadAesSivCmac256KeySize);
    const auto context = horolux::NtsExporterContext(serverToClient);
    if (SSL_export_keying_material(ssl, key.data(), key.size(), horolux::kNtsExporterLabel,
                                   std::strlen(horolux::kNtsExporterLabel), context.data(),
                                   context.size(), 1) != 1)
        return {};
    return key;
}

}  // namespace

NtsKeyEstablishment EstablishNtsKeys(const horolux::ServerAddress& server,
                                     std::uint32_t timeLimitMs) {
    using Outcome = NtsKeyEstablishment::Outcome;
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeLimitMs);
    const platform::WinsockSession winsock;
    if (!winsock) return Failed(Outcome::Unreachable, "The network cannot be used");
    const platform::Socket socket = ConnectTo(server, deadline);
    if (!socket) return Failed(Outcome::Unreachable, "Cannot reach the server's key establishment");

    const std::unique_ptr<SSL_CTX, ContextFree> context(SSL_CTX_new(TLS_client_method()));
    static const unsigned char kAlpn[] = "\x07ntske/1";
    if (!context || SSL_CTX_set_min_proto_version(context.get(), TLS1_3_VERSION) != 1 ||
        SSL_CTX_set_alpn_protos(context.get(), kAlpn, sizeof kAlpn - 1) != 0)
        return Failed(Outcome::Refused, "TLS cannot be used");
    // Windows judges the certificate below, with its own stores and policy.
    SSL_CTX_set_verify(context.get(), SSL_VERIFY_NONE, nullptr);
    const std::unique_ptr<SSL, SslFree> ssl(SSL_new(context.get()));
    if (!ssl || SSL_set_fd(ssl.get(), static_cast<int>(socket.Get())) != 1)
        return Failed(Outcome::Refused, "TLS cannot be used");
    if (!IsAddressLiteral(server.host)) SSL_set_tlsext_host_name(ssl.get(), server.host.c_str());

    ERR_clear_error();
    if (SSL_connect(ssl.get()) != 1) {
        if (MillisecondsUntil(deadline) == 0)
            return Failed(Outcome::Unreachable, "No answer from the server's key establishment");
        return Failed(Outcome::Refused, "The secure connection failed (" + TlsReason() + ")");
    }
    const unsigned char* alpn = nullptr;
    unsigned alpnSize = 0;
    SSL_get0_alpn_selected(ssl.get(), &alpn, &alpnSize);
    if (alpnSize != sizeof kAlpn - 2 || std::memcmp(alpn, kAlpn + 1, alpnSize) != 0)
        return Failed(Outcome::Refused, "The server does not offer NTS key establishment");
    CertificateChain certificates = PeerChain(ssl.get());
    if (auto refusal = ServerCertificateRefusal(certificates, server.host, std::nullopt))
        return Failed(Outcome::Refused, *refusal);

    const std::vector<std::uint8_t> request = horolux::NtsKeRequest();
    if (SSL_write(ssl.get(), request.data(), static_cast<int>(request.size())) !=
        static_cast<int>(request.size()))
        return Failed(Outcome::Unreachable, "The server's key establishment did not answer");
    std::vector<std::uint8_t> answer;
    horolux::NtsKeAnswer read;
    while (read.outcome == horolux::NtsKeAnswer::Outcome::Incomplete) {
        std::uint8_t buffer[4096];
        const int got = SSL_read(ssl.get(), buffer, sizeof buffer);
        if (got <= 0) break;
        answer.insert(answer.end(), buffer, buffer + got);
        read = horolux::ReadNtsKeAnswer(answer);
    }
    if (read.outcome == horolux::NtsKeAnswer::Outcome::Incomplete)
        return Failed(Outcome::Unreachable, "The server's key establishment did not answer");
    if (read.outcome == horolux::NtsKeAnswer::Outcome::Refused)
        return Failed(Outcome::Refused, read.failure);

    NtsKeyEstablishment ke;
    ke.session.clientToServer = ExportKey(ssl.get(), false);
    ke.session.serverToClient = ExportKey(ssl.get(), true);
    if (ke.session.clientToServer.empty() || ke.session.serverToClient.empty())
        return Failed(Outcome::Refused, "The keys could not be taken from the secure connection");
    SSL_shutdown(ssl.get());
    ke.outcome = Outcome::Ok;
    ke.session.ntpHost = read.server.empty() ? server.host : read.server;
    ke.session.ntpPort = read.port;
    ke.session.cookies.assign(read.cookies.begin(), read.cookies.end());
    ke.certificates = std::move(certificates);
    return ke;
}

}  // namespace timesync
