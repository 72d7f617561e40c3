#pragma once
// Reading Universal Time of day from the time page: the fields stand at fixed distances in front
// of the first "Universal" in the page's first 1024 bytes.
#include <cstddef>
#include <string_view>

#include "core/sync/clock_math.h"

namespace horolux {

// How much of the page is fetched and examined.
inline constexpr std::size_t kTimePageSize = 1024;
inline constexpr char kUniversalMarker[] = "Universal";

// Every way a fetch and its parse can end; the fetch knows the first four, the parse adds the last.
enum class TimePageOutcome { Ok, OpenFailed, ConnectFailed, ReadFailed, NotRecognised };

struct UniversalTimeOfDay {
    TimePageOutcome outcome = TimePageOutcome::NotRecognised;
    SystemTime utc;  // wHour, wMinute and wSecond only; the page's date is not read
};

// Looks for the marker in text up to its first NUL and never beyond kTimePageSize characters.
// Each field is read the way atoi reads it; nothing checks range or form, so "-3" is stored as
// 65533 just as a SYSTEMTIME field would hold it.
UniversalTimeOfDay ParseUniversalTime(std::string_view text);

}  // namespace horolux
