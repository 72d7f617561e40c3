// The program's HTTP stack: WinINet, so the user's proxy and TLS settings apply as for any page
// the user opens.
#include "framework/handles.h"  // brings <wininet.h>
#include "timesync/http_stack.h"
#include "timesync/precise_clock.h"
#include "timesync/time_client.h"

namespace {

using fw::InternetHandle;

class WinInetConnection : public HttpConnection {
public:
    WinInetConnection(InternetHandle root, InternetHandle connection, bool secure)
        : root_(std::move(root)), connection_(std::move(connection)), secure_(secure) {}

    std::optional<HeadAnswer> Head(const std::string& path) override {
        const char* accept[] = {"*/*", nullptr};
        DWORD flags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE |
                      INTERNET_FLAG_KEEP_CONNECTION | INTERNET_FLAG_NO_COOKIES |
                      INTERNET_FLAG_NO_UI;
        if (secure_) flags |= INTERNET_FLAG_SECURE;
        const InternetHandle request(HttpOpenRequestA(connection_.Get(), "HEAD", path.c_str(),
                                                      nullptr, nullptr, accept, flags, 0));
        if (!request) return std::nullopt;
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
        return a;
    }

private:
    InternetHandle root_, connection_;
    bool secure_;
};

class WinInetHttpStack : public HttpStack {
public:
    std::unique_ptr<HttpConnection> Connect(const horolux::HttpUrl& url) override {
        // PRECONFIG: the system's proxy settings decide the route, as for any page the user opens.
        InternetHandle root(
            InternetOpenA(kTimeAgentName, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
        if (!root) return nullptr;
        BoundInternetWaits(root.Get());
        InternetHandle connection(InternetConnectA(root.Get(), url.host.c_str(), url.port, nullptr,
                                                   nullptr, INTERNET_SERVICE_HTTP, 0, 0));
        if (!connection) return nullptr;
        BoundInternetWaits(connection.Get());
        return std::make_unique<WinInetConnection>(std::move(root), std::move(connection),
                                                   url.secure);
    }

    TimePage FetchTimePage(const std::function<void()>& progress) override {
        return ::FetchTimePage(progress);
    }
};

}  // namespace

HttpStack& WinInetStack() {
    static WinInetHttpStack stack;
    return stack;
}
