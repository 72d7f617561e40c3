#pragma once
// The sync schedule's decisions, free of windows and timers: whether this minute's tick syncs,
// which moment to show as the next sync, and what the dial-up connection watch concludes.
#include <cstdint>
#include <optional>
#include <string>

namespace horolux {

enum class IntervalUnit : int {
    Hours = 0,
    Days = 1
};  // any other stored value: the schedule idles

// The value of the interval text: its leading decimal number as atoi reads it, 0 when there is
// none. Values beyond the integer range are held at its ends.
int IntervalValue(const std::string& text);

// Whole units of the interval counted by the minute counter: hours for unit 0, days for unit 1;
// nothing for any other unit.
std::optional<int> ElapsedUnits(int unit, std::int32_t minuteCounter);

enum class ScheduleTick {
    Idle,  // the unit is neither hours nor days: the tick ends
    NotDue,
    Due,  // sync now, then reset the counter and forget the chosen moment
};

struct ScheduleMinute {
    int unit = 0;
    std::string intervalText;
    bool userChosen = false;  // the picker holds a moment the user chose
    std::int64_t now = 0;     // seconds since 1970-01-01 00:00:00 UTC
    std::int64_t chosen = 0;  // the picker's moment, same scale
};

// One minute of the schedule: counts the minute, then decides. Called only with the schedule on.
ScheduleTick AdvanceSchedule(std::int32_t& minuteCounter, const ScheduleMinute& m);

// The next sync moment to show: now plus what is left of the interval, counted from now.
// Nothing for a unit that is neither hours nor days. Held at the ends of the 64-bit range.
std::optional<std::int64_t> NextSyncMoment(int unit, const std::string& intervalText,
                                           std::int32_t minuteCounter, std::int64_t now);

// What InternetGetConnectedStateEx reported this minute.
struct ConnectionState {
    bool connected = false;  // the call's result
    std::uint32_t flags = 0;
    std::string name;
};

inline constexpr std::uint32_t kConnectionModem = 0x08;

enum class ConnectionWatch {
    EndTick,         // no dial-up link: nothing more this minute
    SyncAndEndTick,  // a new dial-up connection: sync, and skip the schedule this minute
    Continue,        // the same connection as before: go on with the schedule
};

// Decides the watch's step and remembers a new connection's name (compared without case).
ConnectionWatch WatchConnection(const ConnectionState& state, std::string& rememberedName);

}  // namespace horolux
