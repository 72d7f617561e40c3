#include "tests/support/memory_settings_store.h"

namespace horolux {

int MemorySettingsStore::ReadInt(const std::string& section, const std::string& name,
                                 int fallback) {
    journal_.push_back("R " + name);
    auto it = values_.find({section, name});
    return it != values_.end() && !it->second.isText && !it->second.isList ? it->second.integer
                                                                           : fallback;
}

std::string MemorySettingsStore::ReadText(const std::string& section, const std::string& name,
                                          const std::string& fallback) {
    journal_.push_back("R " + name);
    auto it = values_.find({section, name});
    return it != values_.end() && it->second.isText ? it->second.text : fallback;
}

void MemorySettingsStore::WriteInt(const std::string& section, const std::string& name, int value) {
    journal_.push_back("W " + name);
    values_[{section, name}] = Value{false, value, {}, false, {}};
}

void MemorySettingsStore::WriteText(const std::string& section, const std::string& name,
                                    const std::string& value) {
    journal_.push_back("W " + name);
    values_[{section, name}] = Value{true, 0, value, false, {}};
}

std::vector<std::string> MemorySettingsStore::ReadTextList(const std::string& section,
                                                           const std::string& name) {
    journal_.push_back("R " + name);
    auto it = values_.find({section, name});
    return it != values_.end() && it->second.isList ? it->second.list : std::vector<std::string>{};
}

void MemorySettingsStore::WriteTextList(const std::string& section, const std::string& name,
                                        const std::vector<std::string>& value) {
    journal_.push_back("W " + name);
    values_[{section, name}] = Value{false, 0, {}, true, value};
}

}  // namespace horolux
