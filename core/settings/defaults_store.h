#pragma once
// The user's settings over machine-wide defaults: a value of the "Config" section that the user
// has none of is read from the defaults' own section (an administrator's or the installer's
// choice, HKLM\Software\Horolux\Horolux\Defaults); every write goes to the user's.
#include <string>
#include <vector>

#include "core/settings/settings_store.h"

namespace horolux {

inline constexpr char kDefaultsSection[] = "Defaults";

class WithDefaults final : public SettingsStore {
public:
    WithDefaults(SettingsStore& user, SettingsStore& defaults) : user_(user), defaults_(defaults) {}

    int ReadInt(const std::string& section, const std::string& name, int fallback) override;
    std::string ReadText(const std::string& section, const std::string& name,
                         const std::string& fallback) override;
    std::vector<std::string> ReadTextList(const std::string& section,
                                          const std::string& name) override;
    void WriteInt(const std::string& section, const std::string& name, int value) override {
        user_.WriteInt(section, name, value);
    }
    void WriteText(const std::string& section, const std::string& name,
                   const std::string& value) override {
        user_.WriteText(section, name, value);
    }
    void WriteTextList(const std::string& section, const std::string& name,
                       const std::vector<std::string>& value) override {
        user_.WriteTextList(section, name, value);
    }

private:
    SettingsStore& user_;
    SettingsStore& defaults_;
};

}  // namespace horolux
