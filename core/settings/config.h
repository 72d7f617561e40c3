#pragma once
// Every value of the "Config" section with its type and its default, in one place.
#include <string>

#include "core/settings/settings_store.h"

namespace horolux::config {

inline constexpr char kSection[] = "Config";

struct IntValue {
    const char* name;
    int fallback;
};

struct TextValue {
    const char* name;
    const char* fallback;
};

// Start-up
inline constexpr TextValue kFirstRun{"FirstRun", "YES"};
inline constexpr TextValue kAppPath{"AppPath", ""};
// Main window options and the sync schedule
inline constexpr TextValue kLastSync{"LastSync", ""};
inline constexpr IntValue kExitAfterSync{"ExitAfterSync", 0};
inline constexpr IntValue kSyncOnStart{"SyncOnStart", 0};
inline constexpr IntValue kScheduleSync{"ScheduleSync", 0};
inline constexpr IntValue kScheduleHourDaySync{"ScheduleHourDaySync", 0};
inline constexpr TextValue kScheduleInterval{"ScheduleInterval", "1"};
inline constexpr TextValue kDoNextStartAt{"DoNextStartAt", ""};
inline constexpr IntValue kSyncOnInternetConnect{"SyncOnInternetConnect", 0};
inline constexpr IntValue kShowAlarmClock{"ShowAlarmClock", 0};
// Alarms, each list joined by "@@"
inline constexpr TextValue kAlarmTime{"AlarmTime", ""};
inline constexpr TextValue kAlarmMsg{"AlarmMsg", "Alarm!"};
inline constexpr TextValue kAlarmSound{"AlarmSound", ""};      // sound numbers; none stored before
inline constexpr TextValue kAlarmWarn{"AlarmWarn", ""};        // minutes of warning, 0 for none
inline constexpr IntValue kSnoozeMinutes{"SnoozeMinutes", 5};  // one length for all alarms
// Time source and the last syncs; missing or odd values mean the page and the defaults
// 0 page, 1 time server, 2 web server, 3 automatic
inline constexpr IntValue kTimeSource{"TimeSource", 0};
inline constexpr TextValue kTimeServer{"TimeServer", ""};
inline constexpr TextValue kTimeWebUrl{"TimeWebUrl", ""};
inline constexpr char kAutoSources[] = "AutoSources";  // REG_MULTI_SZ, server:, nts:, web:
inline constexpr char kSyncHistory[] = "SyncHistory";  // REG_MULTI_SZ, newest first
// 1: Automatic uses authenticated answers only; any other value is 0, the default
inline constexpr IntValue kRequireAuthenticated{"RequireAuthenticated", 0};
// Floating clock appearance
inline constexpr TextValue kAlarmClockPlacement{"AlarmClockPlacement", ""};
inline constexpr TextValue kAlarmClockBkColor{"AlarmClockBkColor", "0"};
inline constexpr TextValue kAlarmClockTextColor{"AlarmClockTextColor", "0"};
inline constexpr TextValue kAlarmClockTextBkColor{"AlarmClockTextBkColor", "0"};
inline constexpr IntValue kAlarmClockTransp{"AlarmClockTransp", 70};

inline int Read(SettingsStore& store, const IntValue& v) {
    return store.ReadInt(kSection, v.name, v.fallback);
}
inline std::string Read(SettingsStore& store, const TextValue& v) {
    return store.ReadText(kSection, v.name, v.fallback);
}
inline void Write(SettingsStore& store, const IntValue& v, int value) {
    store.WriteInt(kSection, v.name, value);
}
inline void Write(SettingsStore& store, const TextValue& v, const std::string& value) {
    store.WriteText(kSection, v.name, value);
}

}  // namespace horolux::config
