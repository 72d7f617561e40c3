#pragma once
// Group Policy: values an administrator sets for everybody under
// HKEY_LOCAL_MACHINE\Software\Policies\Horolux\Horolux. A value present there (and of its kind)
// wins over the user's own and the machine defaults; the user's stays stored, untouched, for the
// day the policy goes. This table is the one list of them: the program, the service and the
// administrative template (installer/policy/Horolux.admx) all follow it.
#include <string>
#include <vector>

#include "core/settings/settings_store.h"

namespace horolux::policy {

// Relative to HKEY_LOCAL_MACHINE; the key itself holds the values.
inline constexpr char kRoot[] = "Software\\Policies\\Horolux";
inline constexpr char kSection[] = "Horolux";
inline constexpr char kKey[] = "Software\\Policies\\Horolux\\Horolux";

enum class Kind { Number, Text, TextList };  // REG_DWORD, REG_SZ, REG_MULTI_SZ

struct Value {
    const char* name;
    Kind kind;
    bool service;  // the time service's alone; the program reads the others (and the service
                   // enforces RequireAuthenticated too)
};

inline constexpr Value kValues[] = {
    {"TimeSource", Kind::Number, false},
    {"TimeServer", Kind::Text, false},
    {"TimeWebUrl", Kind::Text, false},
    {"AutoSources", Kind::TextList, false},
    {"AllowedSources", Kind::TextList, true},
    {"SyncOnStart", Kind::Number, false},
    {"ScheduleSync", Kind::Number, false},
    {"ScheduleHourDaySync", Kind::Number, false},
    {"ScheduleInterval", Kind::Text, false},
    {"SyncOnInternetConnect", Kind::Number, false},
    {"RequireAuthenticated", Kind::Number, false},
};

// The table's entry of that name, or null.
const Value* Find(const std::string& name);

// The tip of a control whose value the policy holds.
inline constexpr char kHeldTip[] = "Set by your administrator";

// Whether the policy store holds this value, present and of its kind (a value of another type
// holds nothing: it is as if the administrator had set none).
bool Holds(SettingsStore& policy, const Value& value);

// The table's values the policy holds now.
std::vector<std::string> HeldNames(SettingsStore& policy);

}  // namespace horolux::policy

namespace horolux {

// The policy over the settings below it: a "Config" value the policy holds is read from the
// policy, and a write of it is dropped, so the user's own value stays as it was. Everything else
// passes through.
class WithPolicy final : public SettingsStore {
public:
    WithPolicy(SettingsStore& below, SettingsStore& policy) : below_(below), policy_(policy) {}

    int ReadInt(const std::string& section, const std::string& name, int fallback) override;
    std::string ReadText(const std::string& section, const std::string& name,
                         const std::string& fallback) override;
    std::vector<std::string> ReadTextList(const std::string& section,
                                          const std::string& name) override;
    void WriteInt(const std::string& section, const std::string& name, int value) override;
    void WriteText(const std::string& section, const std::string& name,
                   const std::string& value) override;
    void WriteTextList(const std::string& section, const std::string& name,
                       const std::vector<std::string>& value) override;

private:
    bool Held(const std::string& section, const std::string& name) const;

    SettingsStore& below_;
    SettingsStore& policy_;
};

}  // namespace horolux
