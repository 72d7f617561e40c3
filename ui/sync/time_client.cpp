#include "ui/sync/time_client.h"

#include <wininet.h>

#include <utility>

using horolux::kTimePageSize;
using horolux::TimePageOutcome;

namespace {

// Owns one HINTERNET; Close() lets the fetch close its handles in a set order.
class InternetHandle {
public:
    explicit InternetHandle(HINTERNET h) : h_(h) {}
    InternetHandle(const InternetHandle&) = delete;
    InternetHandle& operator=(const InternetHandle&) = delete;
    ~InternetHandle() { Close(); }

    HINTERNET get() const { return h_; }
    explicit operator bool() const { return h_ != nullptr; }
    void Close() {
        if (h_) InternetCloseHandle(std::exchange(h_, nullptr));
    }

private:
    HINTERNET h_;
};

}  // namespace

TimePage FetchTimePage(const std::function<void()>& progress) {
    // PRECONFIG: the system's proxy settings (under Wine also http_proxy) decide the route.
    InternetHandle root(
        InternetOpenA(kTimeAgentName, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
    if (!root) return {TimePageOutcome::OpenFailed, {}};
    progress();

    // Judge by the handle: under Wine GetLastError may read 12006 after a success.
    InternetHandle page(InternetOpenUrlA(root.get(), kTimePageUrl, nullptr, static_cast<DWORD>(-1),
                                         INTERNET_FLAG_RELOAD, kTimePageContext));
    progress();
    if (!page) {
        root.Close();
        return {TimePageOutcome::ConnectFailed, {}};
    }
    progress();

    // What the body does not fill stays blank; the count of bytes read is not needed.
    std::string text(kTimePageSize, ' ');
    DWORD received = 0;
    BOOL read =
        InternetReadFile(page.get(), text.data(), static_cast<DWORD>(kTimePageSize), &received);
    progress();

    page.Close();
    root.Close();
    progress();
    if (!read) return {TimePageOutcome::ReadFailed, {}};
    return {TimePageOutcome::Ok, std::move(text)};
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
