// The floating clock's stored texts. Any placement text must read as "%d,%d,%d,%d,%d,%d" reads
// it (strtol's digits, each fitting an int), any colour text as strtol reads a colour, and what
// is written must read back. A placement made fit to apply keeps its promises for any stored
// numbers, and the minutes-left text has one item per running alarm.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/alarms/alarm_store.h"
#include "core/clockwnd/clock_window.h"
#include "tests/fuzz/fuzz_check.h"

namespace {

using namespace horolux;
using fuzz::Check;

// One "%d" at pos as the C library reads it; nullopt when no digits or the value is no int.
std::optional<int> ReadIntAsStrtoll(const std::string& text, std::size_t& pos) {
    const char* start = text.c_str() + pos;
    char* end = nullptr;
    errno = 0;
    const long long value = std::strtoll(start, &end, 10);
    if (end == start || errno == ERANGE || value < INT_MIN || value > INT_MAX) return std::nullopt;
    pos += static_cast<std::size_t>(end - start);
    return static_cast<int>(value);
}

std::optional<ClockPlacement> ReadPlacementAsSscanf(const std::string& text) {
    int v[6];
    std::size_t pos = 0;
    for (int i = 0; i < 6; ++i) {
        if (i > 0 && (pos >= text.size() || text[pos++] != ',')) return std::nullopt;
        const auto value = ReadIntAsStrtoll(text, pos);
        if (!value) return std::nullopt;
        v[i] = *value;
    }
    return ClockPlacement{{v[0], v[1], v[2], v[3]}, v[4], v[5]};
}

std::optional<std::uint32_t> ReadColourAsStrtol(const std::string& text) {
    errno = 0;
    const long long value = std::strtoll(text.c_str(), nullptr, 10);
    if (value <= 0 || value > 0xFFFFFF) return std::nullopt;
    return static_cast<std::uint32_t>(value);
}

void CheckSanitised(const ClockPlacement& stored, int minWidth, int minHeight,
                    const PixelRect& screen) {
    const ClockPlacement p = SanitisePlacement(stored, minWidth, minHeight, screen);
    Check(p.showCmd == kShowNormal, "a placement is shown normally");
    Check(p.flags == (stored.flags & kPlacementFlags), "only the known flags stay");

    // Ordinary numbers: a screen of at least the minimum size, nothing near the int range's ends.
    constexpr int kOrdinary = 1 << 28;
    auto ordinary = [](int v) { return v > -kOrdinary && v < kOrdinary; };
    const int values[] = {
        stored.normal.left, stored.normal.top, stored.normal.right, stored.normal.bottom,
        screen.left,        screen.top,        screen.right,        screen.bottom,
        minWidth,           minHeight};
    if (!std::all_of(std::begin(values), std::end(values), ordinary)) return;
    if (minWidth < 1 || minHeight < 1 || screen.Width() < minWidth || screen.Height() < minHeight)
        return;
    const int width = std::max(std::min(stored.normal.Width(), screen.Width()), minWidth);
    const int height = std::max(std::min(stored.normal.Height(), screen.Height()), minHeight);
    Check(p.normal.Width() == width && p.normal.Height() == height,
          "the size is held between the minimum and the screen");
    Check(p.normal.left < screen.right && p.normal.right > screen.left &&
              p.normal.top < screen.bottom && p.normal.bottom > screen.top,
          "the placement shows on the screen");
    const bool wasOn =
        stored.normal.left < screen.right && stored.normal.left + width > screen.left;
    if (wasOn) Check(p.normal.left == stored.normal.left, "a place on the screen is kept");
    Check(SanitisePlacement(p, minWidth, minHeight, screen) == p, "a fit placement stays as it is");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    const std::string text = in.ConsumeRandomLengthString(120);

    const std::optional<ClockPlacement> placement = ParsePlacement(text);
    Check(placement == ReadPlacementAsSscanf(text), "a placement reads as sscanf reads it");
    if (placement)
        Check(ParsePlacement(FormatPlacement(*placement)) == placement,
              "a read placement's text reads back");

    const std::optional<std::uint32_t> colour = ColourFromText(text);
    Check(colour == ReadColourAsStrtol(text), "a colour reads as strtol reads it");
    const auto anyColour = in.ConsumeIntegral<std::uint32_t>();
    const auto back = ColourFromText(ColourText(anyColour));
    if (anyColour >= 1 && anyColour <= 0xFFFFFF)
        Check(back == anyColour, "a colour's text reads back");
    else
        Check(!back, "no colour from the text of a value that is none");

    ClockPlacement any;
    any.normal = {in.ConsumeIntegral<int>(), in.ConsumeIntegral<int>(), in.ConsumeIntegral<int>(),
                  in.ConsumeIntegral<int>()};
    any.showCmd = in.ConsumeIntegral<int>();
    any.flags = in.ConsumeIntegral<int>();
    Check(ParsePlacement(FormatPlacement(any)) == any, "any placement's text reads back");
    const int minWidth = in.ConsumeIntegral<int>(), minHeight = in.ConsumeIntegral<int>();
    const PixelRect screen{in.ConsumeIntegral<int>(), in.ConsumeIntegral<int>(),
                           in.ConsumeIntegral<int>(), in.ConsumeIntegral<int>()};
    CheckSanitised(any, minWidth, minHeight, screen);
    if (placement) CheckSanitised(*placement, minWidth, minHeight, screen);

    AlarmDataArray alarms;
    std::vector<std::string> expected;
    const int count = in.ConsumeIntegralInRange(0, 8);
    for (int i = 0; i < count; ++i) {
        auto alarm = std::make_unique<AlarmData>();
        alarm->interval = in.ConsumeIntegral<std::int32_t>();
        alarm->count = in.ConsumeIntegral<std::int32_t>();
        const bool shown = IsAlarmOn(*alarm);
        const std::string left = std::to_string(std::int64_t{alarm->interval} - alarm->count);
        const std::size_t slot = alarms.Add(std::move(alarm));
        if (in.ConsumeBool()) {
            alarms.EmptySlot(slot);
        } else if (shown) {
            expected.push_back(left);
        }
    }
    std::string joined;
    for (const std::string& item : expected) joined += (joined.empty() ? "" : "::") + item;
    Check(AlarmClockText(alarms, 0) == joined, "one item of minutes left per running alarm");
    return 0;
}
