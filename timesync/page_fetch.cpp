#include "timesync/page_fetch.h"

#include <algorithm>
#include <string>
#include <utility>

#include "platform/win32.h"

namespace timesync {

using horolux::kTimePageSize;
using horolux::TimePageOutcome;

namespace {

// Fills text from the start of the body until it is full or the body ends; false on a failed
// read or when the deadline passes first. Only what has arrived is read each time, so a body that
// trickles in cannot keep one read going past the deadline.
bool ReadBody(PageRequest& request, std::string& text, ULONGLONG deadline) {
    std::size_t filled = 0;
    while (filled < text.size()) {
        if (GetTickCount64() >= deadline) return false;
        const auto available = request.Available();
        if (!available) return false;
        if (*available == 0) return true;  // the end of the body
        const auto wanted =
            static_cast<std::uint32_t>(std::min<std::size_t>(*available, text.size() - filled));
        const auto received = request.Read(text.data() + filled, wanted);
        if (!received) return false;
        if (*received == 0) return true;
        filled += *received;
    }
    return true;
}

}  // namespace

TimePage FetchPage(PageRequest& request, const std::function<void(horolux::SyncPhase)>& progress) {
    if (!request.Open()) return {TimePageOutcome::OpenFailed, {}};
    progress(horolux::SyncPhase::Connecting);

    const ULONGLONG requested = GetTickCount64();
    if (!request.Send()) {
        request.Close();
        return {TimePageOutcome::ConnectFailed, {}};
    }
    progress(horolux::SyncPhase::Reading);

    // What the body does not fill stays blank; the count of bytes read is not needed.
    std::string text(kTimePageSize, ' ');
    const bool read = ReadBody(request, text, requested + horolux::kPageAnswerTimeMs);
    request.Close();
    if (!read) return {TimePageOutcome::ReadFailed, {}};
    return {TimePageOutcome::Ok, std::move(text)};
}

}  // namespace timesync
