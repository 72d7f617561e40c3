// The time service's HTTP stack: WinHTTP, which services may use (WinINet may not), with the
// machine's proxy setting.
#include <string>
#include <string_view>

#include "platform/text.h"
#include "platform/winhttp.h"
// clang-format off
#include <wincrypt.h>
// clang-format on
#include "timesync/http_stack.h"
#include "timesync/page_fetch.h"
#include "timesync/precise_clock.h"

namespace timesync {

namespace {

using platform::WideFromAnsi;
using platform::WinHttpHandle;

const wchar_t* const kAcceptTypes[] = {L"*/*", nullptr};

std::string Narrow(std::wstring_view text) {
    if (text.empty()) return {};
    const int size = WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()),
                                         nullptr, 0, nullptr, nullptr);
    std::string narrow(size > 0 ? static_cast<std::size_t>(size) : 0, '\0');
    WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), narrow.data(), size,
                        nullptr, nullptr);
    return narrow;
}

// DEFAULT_PROXY: the machine's setting (netsh winhttp set proxy), not the user's; under Wine,
// when the machine has none, http_proxy. Null when WinHTTP cannot start or would not take the
// bounds of its waits, so that no wait of it can be endless.
WinHttpHandle OpenSession() {
    WinHttpHandle session(WinHttpOpen(WideFromAnsi(kServiceAgentName).c_str(),
                                      WINHTTP_ACCESS_TYPE_DEFAULT_PROXY, WINHTTP_NO_PROXY_NAME,
                                      WINHTTP_NO_PROXY_BYPASS, 0));
    if (!session) return session;
    const int ms = static_cast<int>(horolux::kHttpStepTimeoutMs);
    // Name resolution as the system has it.
    const bool bounded = WinHttpSetTimeouts(session.Get(), 0, ms, ms, ms);
    // The wait for an answer's headers has its own time-out (90 s unless set), which the receive
    // time-out does not shorten.
    DWORD answerMs = horolux::kHttpStepTimeoutMs;
    if (!bounded || !WinHttpSetOption(session.Get(), WINHTTP_OPTION_RECEIVE_RESPONSE_TIMEOUT,
                                      &answerMs, sizeof answerMs))
        session.Reset();
    return session;
}

// Sends request and waits for its answer's headers.
bool SendAndReceive(HINTERNET request) {
    return WinHttpSendRequest(request, WINHTTP_NO_ADDITIONAL_HEADERS, 0, WINHTTP_NO_REQUEST_DATA, 0,
                              0, 0) &&
           WinHttpReceiveResponse(request, nullptr);
}

class WinHttpPageRequest : public PageRequest {
public:
    bool Open() override {
        session_ = OpenSession();
        return static_cast<bool>(session_);
    }

    bool Send() override {
        connection_.Reset(WinHttpConnect(session_.Get(),
                                         platform::WideFromAnsi(kTimePageHost).c_str(),
                                         INTERNET_DEFAULT_HTTP_PORT, 0));
        if (!connection_) return false;
        page_.Reset(WinHttpOpenRequest(
            connection_.Get(), L"GET", platform::WideFromAnsi(kTimePagePath).c_str(), nullptr,
            WINHTTP_NO_REFERER, const_cast<const wchar_t**>(kAcceptTypes), WINHTTP_FLAG_REFRESH));
        if (page_ && !SendAndReceive(page_.Get())) page_.Reset();
        return static_cast<bool>(page_);
    }

    std::optional<std::uint32_t> Available() override {
        DWORD available = 0;
        if (!WinHttpQueryDataAvailable(page_.Get(), &available)) return std::nullopt;
        return available;
    }

    std::optional<std::uint32_t> Read(char* buffer, std::uint32_t size) override {
        DWORD received = 0;
        if (!WinHttpReadData(page_.Get(), buffer, size, &received)) return std::nullopt;
        return received;
    }

    void Close() override {
        page_.Reset();
        connection_.Reset();
        session_.Reset();
    }

private:
    WinHttpHandle session_, connection_, page_;
};

// WinHTTP's own certificate checks set aside for a request, and no redirect followed: the web
// clock judges the certificate itself, with the same chain engine, at a moment of its choosing (a
// HEAD carries nothing to keep secret, and an answer is used only when its certificate passes).
bool LeaveCertificateToCaller(HINTERNET request) {
    DWORD flags = SECURITY_FLAG_IGNORE_UNKNOWN_CA | SECURITY_FLAG_IGNORE_CERT_CN_INVALID |
                  SECURITY_FLAG_IGNORE_CERT_DATE_INVALID | SECURITY_FLAG_IGNORE_CERT_WRONG_USAGE;
    DWORD never = WINHTTP_OPTION_REDIRECT_POLICY_NEVER;
    return WinHttpSetOption(request, WINHTTP_OPTION_SECURITY_FLAGS, &flags, sizeof flags) &&
           WinHttpSetOption(request, WINHTTP_OPTION_REDIRECT_POLICY, &never, sizeof never);
}

// The certificates of the secure connection an answer came over; none when it came over none.
CertificateChain ServerCertificates(HINTERNET request) {
    PCCERT_CONTEXT certificate = nullptr;
    DWORD size = sizeof certificate;
    if (!WinHttpQueryOption(request, WINHTTP_OPTION_SERVER_CERT_CONTEXT, &certificate, &size) ||
        !certificate)
        return {};
    CertificateChain certificates = CertificatesOf(certificate);
    CertFreeCertificateContext(certificate);
    return certificates;
}

class WinHttpConnection : public HttpConnection {
public:
    WinHttpConnection(WinHttpHandle session, WinHttpHandle connection, bool secure)
        : session_(std::move(session)), connection_(std::move(connection)), secure_(secure) {}

    std::optional<HeadAnswer> Head(const std::string& path) override {
        const WinHttpHandle request(
            WinHttpOpenRequest(connection_.Get(), L"HEAD", WideFromAnsi(path).c_str(), nullptr,
                               WINHTTP_NO_REFERER, const_cast<const wchar_t**>(kAcceptTypes),
                               WINHTTP_FLAG_REFRESH | (secure_ ? WINHTTP_FLAG_SECURE : 0)));
        if (!request || (secure_ && !LeaveCertificateToCaller(request.Get()))) return std::nullopt;
        DWORD noCookies = WINHTTP_DISABLE_COOKIES;
        WinHttpSetOption(request.Get(), WINHTTP_OPTION_DISABLE_FEATURE, &noCookies,
                         sizeof noCookies);
        HeadAnswer a;
        a.sent = PreciseNowMicros();
        const bool answered = SendAndReceive(request.Get());
        a.answered = PreciseNowMicros();
        if (!answered) return std::nullopt;
        std::wstring headers(16384, L'\0');
        DWORD bytes = static_cast<DWORD>(headers.size() * sizeof(wchar_t));
        if (WinHttpQueryHeaders(request.Get(), WINHTTP_QUERY_RAW_HEADERS_CRLF,
                                WINHTTP_HEADER_NAME_BY_INDEX, headers.data(), &bytes,
                                WINHTTP_NO_HEADER_INDEX))
            a.headers = Narrow(std::wstring_view(headers).substr(0, bytes / sizeof(wchar_t)));
        if (secure_) a.certificates = ServerCertificates(request.Get());
        // Wine puts the connection back for the next request only once the answer has been read
        // to its end, the empty body of a HEAD too.
        char none = 0;
        DWORD received = 0;
        WinHttpReadData(request.Get(), &none, 1, &received);
        return a;
    }

private:
    WinHttpHandle session_, connection_;
    bool secure_;
};

class WinHttpHttpStack : public HttpStack {
public:
    std::unique_ptr<HttpConnection> Connect(const horolux::HttpUrl& url) override {
        platform::WinHttpHandle session = OpenSession();
        if (!session) return nullptr;
        platform::WinHttpHandle connection(
            WinHttpConnect(session.Get(), platform::WideFromAnsi(url.host).c_str(), url.port, 0));
        if (!connection) return nullptr;
        return std::make_unique<WinHttpConnection>(std::move(session), std::move(connection),
                                                   url.secure);
    }

    TimePage FetchTimePage(const std::function<void(horolux::SyncPhase)>& progress) override {
        WinHttpPageRequest request;
        return FetchPage(request, progress);
    }
};

}  // namespace

HttpStack& WinHttpStack() {
    static WinHttpHttpStack stack;
    return stack;
}

}  // namespace timesync
