#include "timesync/time_client.h"

#include <algorithm>
#include <utility>

#include "framework/handles.h"

using horolux::kTimePageSize;
using horolux::TimePageOutcome;

namespace {

using fw::InternetHandle;

// A server that accepts and then stays silent, or sends a byte now and then, must not hold the
// program (and with it every alarm) for as long as it likes: each wait of the connection is
// bounded, and so is the whole answer.
constexpr ULONGLONG kAnswerTimeMs = 15000;  // from the request to the last byte kept

// The GET of the page, sent; null when no answer came. Built from a connection handle rather than
// with InternetOpenUrlA because Wine hands the root handle's time-outs on to neither; the request
// on the wire is the same.
InternetHandle OpenPage(HINTERNET connection) {
    const char* acceptTypes[] = {"*/*", nullptr};
    InternetHandle page(HttpOpenRequestA(connection, "GET", kTimePagePath, nullptr, nullptr,
                                         acceptTypes, INTERNET_FLAG_RELOAD, kTimePageContext));
    // Judge by the outcome: under Wine GetLastError may read 12006 after a success.
    if (page && !HttpSendRequestA(page.Get(), nullptr, 0, nullptr, 0)) page.Reset();
    return page;
}

// Fills text from the start of the body until it is full or the body ends; false on a failed
// read or when the deadline passes first. Only what has arrived is read each time, so a body that
// trickles in cannot keep one read going past the deadline.
bool ReadBody(HINTERNET page, std::string& text, ULONGLONG deadline) {
    std::size_t filled = 0;
    while (filled < text.size()) {
        if (GetTickCount64() >= deadline) return false;
        DWORD available = 0;
        if (!InternetQueryDataAvailable(page, &available, 0, 0)) return false;
        if (available == 0) return true;  // the end of the body
        const DWORD wanted =
            static_cast<DWORD>(std::min<std::size_t>(available, text.size() - filled));
        DWORD received = 0;
        if (!InternetReadFile(page, text.data() + filled, wanted, &received)) return false;
        if (received == 0) return true;
        filled += received;
    }
    return true;
}

}  // namespace

void BoundInternetWaits(HINTERNET handle) {
    for (DWORD option : {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_SEND_TIMEOUT,
                         INTERNET_OPTION_RECEIVE_TIMEOUT}) {
        DWORD ms = kInternetStepTimeoutMs;
        InternetSetOptionA(handle, option, &ms, sizeof ms);
    }
}

TimePage FetchTimePage(const std::function<void()>& progress) {
    // PRECONFIG: the system's proxy settings (under Wine also http_proxy) decide the route.
    InternetHandle root(
        InternetOpenA(kTimeAgentName, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
    if (!root) return {TimePageOutcome::OpenFailed, {}};
    BoundInternetWaits(root.Get());
    progress();

    const ULONGLONG requested = GetTickCount64();
    InternetHandle connection(InternetConnectA(root.Get(), kTimePageHost,
                                               INTERNET_DEFAULT_HTTP_PORT, nullptr, nullptr,
                                               INTERNET_SERVICE_HTTP, 0, kTimePageContext));
    if (connection) BoundInternetWaits(connection.Get());
    InternetHandle page = connection ? OpenPage(connection.Get()) : InternetHandle();
    progress();
    if (!page) {
        connection.Reset();
        root.Reset();
        return {TimePageOutcome::ConnectFailed, {}};
    }
    progress();

    // What the body does not fill stays blank; the count of bytes read is not needed.
    std::string text(kTimePageSize, ' ');
    const bool read = ReadBody(page.Get(), text, requested + kAnswerTimeMs);
    progress();

    page.Reset();
    connection.Reset();
    root.Reset();
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
