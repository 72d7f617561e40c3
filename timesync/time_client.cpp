#include "timesync/time_client.h"

#include "framework/handles.h"
#include "timesync/page_fetch.h"

namespace {

using fw::InternetHandle;

// The page's steps through WinINet.
class WinInetPageRequest : public PageRequest {
public:
    bool Open() override {
        // PRECONFIG: the system's proxy settings (under Wine also http_proxy) decide the route.
        root_.Reset(
            InternetOpenA(kTimeAgentName, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
        if (!root_) return false;
        BoundInternetWaits(root_.Get());
        return true;
    }

    bool Send() override {
        connection_.Reset(InternetConnectA(root_.Get(), kTimePageHost, INTERNET_DEFAULT_HTTP_PORT,
                                           nullptr, nullptr, INTERNET_SERVICE_HTTP, 0,
                                           kTimePageContext));
        if (connection_) BoundInternetWaits(connection_.Get());
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

}  // namespace

void BoundInternetWaits(HINTERNET handle) {
    for (DWORD option : {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_SEND_TIMEOUT,
                         INTERNET_OPTION_RECEIVE_TIMEOUT}) {
        DWORD ms = kInternetStepTimeoutMs;
        InternetSetOptionA(handle, option, &ms, sizeof ms);
    }
}

TimePage FetchTimePage(const std::function<void()>& progress) {
    WinInetPageRequest request;
    return FetchPage(request, progress);
}

horolux::TimeZoneRecord CurrentTimeZone() {
    TIME_ZONE_INFORMATION info{};
    DWORD id = GetTimeZoneInformation(&info);
    return {info.Bias, info.StandardBias, info.DaylightBias, id};
}

horolux::SystemTime ToPortableTime(const SYSTEMTIME& t) {
    return {t.wYear, t.wMonth,  t.wDayOfWeek, t.wDay,
            t.wHour, t.wMinute, t.wSecond,    t.wMilliseconds};
}

SYSTEMTIME ToSystemTime(const horolux::SystemTime& t) {
    return {t.wYear, t.wMonth,  t.wDayOfWeek, t.wDay,
            t.wHour, t.wMinute, t.wSecond,    t.wMilliseconds};
}
