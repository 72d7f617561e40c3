#pragma once
// Group Policy: values an administrator sets for everybody under
// HKEY_LOCAL_MACHINE\Software\Policies\Horolux\Horolux. A value present there (and of its kind)
// wins over the user's own and the machine defaults; the user's stays stored, untouched, for the
// day the policy goes. This table is the one list of them: the program, the service and the
// administrative template (installer/policy/Horolux.admx) all follow it.
#include <span>
#include <string>

namespace horolux::policy {

// Relative to HKEY_LOCAL_MACHINE; the key itself holds the values.
inline constexpr char kRoot[] = "Software\\Policies\\Horolux";
inline constexpr char kSection[] = "Horolux";
inline constexpr char kKey[] = "Software\\Policies\\Horolux\\Horolux";

enum class Kind { Number, Text, TextList };  // REG_DWORD, REG_SZ, REG_MULTI_SZ

struct Value {
    const char* name;
    Kind kind;
    bool service;  // read by the time service (the others by the program)
};

inline constexpr Value kValues[] = {
    {"TimeSource", Kind::Number, false},      {"TimeServer", Kind::Text, false},
    {"TimeWebUrl", Kind::Text, false},        {"AutoSources", Kind::TextList, false},
    {"AllowedSources", Kind::TextList, true}, {"SyncOnStart", Kind::Number, false},
    {"ScheduleSync", Kind::Number, false},    {"ScheduleHourDaySync", Kind::Number, false},
    {"ScheduleInterval", Kind::Text, false},  {"SyncOnInternetConnect", Kind::Number, false},
};

// The table's entry of that name, or null.
const Value* Find(const std::string& name);

// The tip of a control whose value the policy holds.
inline constexpr char kHeldTip[] = "Set by your administrator";

}  // namespace horolux::policy
