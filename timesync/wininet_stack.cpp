// The program's HTTP stack: WinINet, so the user's proxy and TLS settings apply as for any page
// the user opens.
#include "platform/wininet.h"
// clang-format off
#include <wincrypt.h>
// clang-format on
#include "timesync/http_stack.h"
#include "timesync/page_fetch.h"
#include "timesync/precise_clock.h"

namespace timesync {

namespace {

using platform::InternetHandle;

// No status callback is installed, so the context value is never handed back.
constexpr DWORD_PTR kTimePageContext = 777;

// Bounds connecting, sending and each wait for data on handle and the handles made from it;
// false when WinINet would not take a bound, so that no wait of it can be endless.
bool BoundInternetWaits(HINTERNET handle) {
    for (DWORD option : {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_SEND_TIMEOUT,
                         INTERNET_OPTION_RECEIVE_TIMEOUT}) {
        DWORD ms = horolux::kHttpStepTimeoutMs;
        if (!InternetSetOptionA(handle, option, &ms, sizeof ms)) return false;
    }
    return true;
}

// PRECONFIG: the system's proxy settings (under Wine also http_proxy) decide the route, as for any
// page the user opens. Null when WinINet cannot start or its waits cannot be bounded.
InternetHandle OpenSession() {
    InternetHandle root(
        InternetOpenA(kTimeAgentName, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
    if (root && !BoundInternetWaits(root.Get())) root.Reset();
    return root;
}

// A connection to host:port with bounded waits, or null.
InternetHandle OpenConnection(HINTERNET root, const char* host, INTERNET_PORT port,
                              DWORD_PTR context) {
    InternetHandle connection(
        InternetConnectA(root, host, port, nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, context));
    if (connection && !BoundInternetWaits(connection.Get())) connection.Reset();
    return connection;
}

// The page's steps through WinINet.
class WinInetPageRequest : public PageRequest {
public:
    bool Open() override {
        root_ = OpenSession();
        return static_cast<bool>(root_);
    }

    bool Send() override {
        connection_ = OpenConnection(root_.Get(), kTimePageHost, INTERNET_DEFAULT_HTTP_PORT,
                                     kTimePageContext);
        if (connection_) page_ = OpenPage(connection_.Get());
        return static_cast<bool>(page_);
    }

    std::optional<std::uint32_t> Available() override {
        DWORD available = 0;
        if (!InternetQueryDataAvailable(page_.Get(), &available, 0, 0)) return std::nullopt;
        return available;
    }

    std::optional<std::uint32_t> Read(char* buffer, std::uint32_t size) override {
        DWORD received = 0;
        if (!InternetReadFile(page_.Get(), buffer, size, &received)) return std::nullopt;
        return received;
    }

    void Close() override {
        page_.Reset();
        connection_.Reset();
        root_.Reset();
    }

private:
    // The GET of the page, sent; null when no answer came. Built from a connection handle rather
    // than with InternetOpenUrlA because Wine hands the root handle's time-outs on to neither; the
    // request on the wire is the same.
    static InternetHandle OpenPage(HINTERNET connection) {
        const char* acceptTypes[] = {"*/*", nullptr};
        InternetHandle page(HttpOpenRequestA(connection, "GET", kTimePagePath, nullptr, nullptr,
                                             acceptTypes, INTERNET_FLAG_RELOAD, kTimePageContext));
        // Judge by the outcome: under Wine GetLastError may read 12006 after a success.
        if (page && !HttpSendRequestA(page.Get(), nullptr, 0, nullptr, 0)) page.Reset();
        return page;
    }

    InternetHandle root_, connection_, page_;
};

// WinINet's own certificate checks set aside for a request: the web clock judges the certificate
// itself, with the same chain engine, at a moment of its choosing (a HEAD carries nothing to keep
// secret, and an answer is used only when its certificate passes).
bool LeaveCertificateToCaller(HINTERNET request) {
    DWORD flags = 0, size = sizeof flags;
    if (!InternetQueryOptionA(request, INTERNET_OPTION_SECURITY_FLAGS, &flags, &size)) flags = 0;
    flags |= SECURITY_FLAG_IGNORE_UNKNOWN_CA | SECURITY_FLAG_IGNORE_CERT_CN_INVALID |
             SECURITY_FLAG_IGNORE_CERT_DATE_INVALID | SECURITY_FLAG_IGNORE_WRONG_USAGE |
             SECURITY_FLAG_IGNORE_REVOCATION;
    return InternetSetOptionA(request, INTERNET_OPTION_SECURITY_FLAGS, &flags, sizeof flags);
}

// The certificates of the secure connection an answer came over; none when it came over none.
CertificateChain ServerCertificates(HINTERNET request) {
    PCCERT_CHAIN_CONTEXT chain = nullptr;
    DWORD size = sizeof chain;
    if (!InternetQueryOptionA(request, INTERNET_OPTION_SERVER_CERT_CHAIN_CONTEXT, &chain, &size) ||
        !chain)
        return {};
    CertificateChain certificates = CertificatesOf(chain);
    CertFreeCertificateChain(chain);
    return certificates;
}

class WinInetConnection : public HttpConnection {
public:
    WinInetConnection(InternetHandle root, InternetHandle connection, bool secure)
        : root_(std::move(root)), connection_(std::move(connection)), secure_(secure) {}

    std::optional<HeadAnswer> Head(const std::string& path) override {
        const char* accept[] = {"*/*", nullptr};
        DWORD flags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE |
                      INTERNET_FLAG_KEEP_CONNECTION | INTERNET_FLAG_NO_COOKIES |
                      INTERNET_FLAG_NO_UI;
        if (secure_) flags |= INTERNET_FLAG_SECURE | INTERNET_FLAG_NO_AUTO_REDIRECT;
        const InternetHandle request(HttpOpenRequestA(connection_.Get(), "HEAD", path.c_str(),
                                                      nullptr, nullptr, accept, flags, 0));
        if (!request || (secure_ && !LeaveCertificateToCaller(request.Get()))) return std::nullopt;
        HeadAnswer a;
        a.sent = PreciseNowMicros();
        const BOOL answered = HttpSendRequestA(request.Get(), nullptr, 0, nullptr, 0);
        a.answered = PreciseNowMicros();
        if (!answered) return std::nullopt;
        std::string headers(16384, '\0');
        DWORD size = static_cast<DWORD>(headers.size());
        if (HttpQueryInfoA(request.Get(), HTTP_QUERY_RAW_HEADERS_CRLF, headers.data(), &size,
                           nullptr))
            a.headers.assign(headers, 0, std::min<std::size_t>(size, headers.size()));
        if (secure_) a.certificates = ServerCertificates(request.Get());
        return a;
    }

private:
    InternetHandle root_, connection_;
    bool secure_;
};

class WinInetHttpStack : public HttpStack {
public:
    std::unique_ptr<HttpConnection> Connect(const horolux::HttpUrl& url) override {
        platform::InternetHandle root = OpenSession();
        if (!root) return nullptr;
        platform::InternetHandle connection =
            OpenConnection(root.Get(), url.host.c_str(), url.port, 0);
        if (!connection) return nullptr;
        return std::make_unique<WinInetConnection>(std::move(root), std::move(connection),
                                                   url.secure);
    }

    TimePage FetchTimePage(const std::function<void(horolux::SyncPhase)>& progress) override {
        WinInetPageRequest request;
        return FetchPage(request, progress);
    }
};

}  // namespace

HttpStack& WinInetStack() {
    static WinInetHttpStack stack;
    return stack;
}

}  // namespace timesync
