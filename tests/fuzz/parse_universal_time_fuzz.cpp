// Any body the server may send, the marker beyond byte 1024 included, must parse without a fault,
// and the result must be what the page's first 1024 bytes, up to a NUL, decide.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "core/sync/time_page.h"

namespace {

using horolux::kTimePageSize;
using horolux::ParseUniversalTime;
using horolux::TimePageOutcome;
using horolux::UniversalTimeOfDay;

bool Same(const UniversalTimeOfDay& a, const UniversalTimeOfDay& b) {
    return a.outcome == b.outcome && a.utc.wHour == b.utc.wHour && a.utc.wMinute == b.utc.wMinute &&
           a.utc.wSecond == b.utc.wSecond;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The fuzzer's own buffer has exactly size bytes, so any read past the text is reported.
    std::string_view body(reinterpret_cast<const char*>(data), size);
    UniversalTimeOfDay direct = ParseUniversalTime(body);

    // The same body as the fetch leaves it: over 1024 blanks and cut at 1024 bytes.
    std::string buffer(kTimePageSize, ' ');
    std::memcpy(buffer.data(), data, size < kTimePageSize ? size : kTimePageSize);
    UniversalTimeOfDay fetched = ParseUniversalTime(buffer);
    if (!Same(direct, fetched)) std::abort();

    std::string_view seen = std::string_view(buffer).substr(0, buffer.find('\0'));
    bool hasMarker = seen.find(horolux::kUniversalMarker) != std::string_view::npos;
    if (hasMarker != (direct.outcome == TimePageOutcome::Ok)) std::abort();
    if (!hasMarker && direct.outcome != TimePageOutcome::NotRecognised) std::abort();
    return 0;
}
