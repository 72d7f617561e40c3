#include "core/schedule/schedule.h"

#include <climits>
#include <limits>

#include "core/text/ascii.h"

namespace horolux {

int IntervalValue(const std::string& text) {
    size_t i = 0;
    while (i < text.size() && IsAsciiSpace(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    long long value = 0;
    for (; i < text.size() && IsAsciiDigit(text[i]); ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > static_cast<long long>(INT_MAX) + 1) break;  // held at the range's end below
    }
    if (negative) value = -value;
    if (value > INT_MAX) return INT_MAX;
    if (value < INT_MIN) return INT_MIN;
    return static_cast<int>(value);
}

std::optional<int> ElapsedUnits(int unit, std::int32_t minuteCounter) {
    switch (static_cast<IntervalUnit>(unit)) {
        case IntervalUnit::Hours:
            return minuteCounter / 60;
        case IntervalUnit::Days:
            return minuteCounter / 60 / 24;
    }
    return std::nullopt;
}

ScheduleTick AdvanceSchedule(std::int32_t& minuteCounter, const ScheduleMinute& m) {
    if (minuteCounter < INT32_MAX) ++minuteCounter;  // thousands of years away; never wraps
    const std::optional<int> elapsed = ElapsedUnits(m.unit, minuteCounter);
    if (!elapsed) return ScheduleTick::Idle;
    if (*elapsed >= IntervalValue(m.intervalText)) return ScheduleTick::Due;
    if (m.userChosen && m.now >= m.chosen) return ScheduleTick::Due;
    return ScheduleTick::NotDue;
}

std::optional<std::int64_t> NextSyncMoment(int unit, const std::string& intervalText,
                                           std::int32_t minuteCounter, std::int64_t now) {
    const std::optional<int> elapsed = ElapsedUnits(unit, minuteCounter);
    if (!elapsed) return std::nullopt;
    const std::int64_t unitSeconds = unit == static_cast<int>(IntervalUnit::Hours) ? 3600 : 86400;
    // At most about 4e14 seconds either way, so only the sum with now can leave the range.
    const std::int64_t left =
        (static_cast<std::int64_t>(IntervalValue(intervalText)) - *elapsed) * unitSeconds;
    constexpr std::int64_t kLatest = std::numeric_limits<std::int64_t>::max();
    constexpr std::int64_t kEarliest = std::numeric_limits<std::int64_t>::min();
    if (left > 0 && now > kLatest - left) return kLatest;
    if (left < 0 && now < kEarliest - left) return kEarliest;
    return now + left;
}

namespace {
bool EqualIgnoringCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
    return true;
}
}  // namespace

ConnectionWatch WatchConnection(const ConnectionState& state, std::string& rememberedName) {
    if (!state.connected || !(state.flags & kConnectionModem)) return ConnectionWatch::EndTick;
    if (EqualIgnoringCase(state.name, rememberedName)) return ConnectionWatch::Continue;
    rememberedName = state.name;
    return ConnectionWatch::SyncAndEndTick;
}

}  // namespace horolux
