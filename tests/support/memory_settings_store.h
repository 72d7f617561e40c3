#pragma once
// The settings profile in memory, for tests: every value, and every access in order.
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "core/settings/settings_store.h"

namespace horolux {

class MemorySettingsStore final : public SettingsStore {
public:
    struct Value {
        bool isText = false;
        int integer = 0;
        std::string text;
        bool isList = false;
        std::vector<std::string> list;
        bool operator==(const Value&) const = default;
    };
    using Key = std::pair<std::string, std::string>;  // section, name

    int ReadInt(const std::string& section, const std::string& name, int fallback) override;
    std::string ReadText(const std::string& section, const std::string& name,
                         const std::string& fallback) override;
    void WriteInt(const std::string& section, const std::string& name, int value) override;
    void WriteText(const std::string& section, const std::string& name,
                   const std::string& value) override;
    std::vector<std::string> ReadTextList(const std::string& section,
                                          const std::string& name) override;
    void WriteTextList(const std::string& section, const std::string& name,
                       const std::vector<std::string>& value) override;

    const std::map<Key, Value>& Values() const { return values_; }
    // Every access in order, "R name" / "W name", so tests can check the order of loads and saves.
    const std::vector<std::string>& Journal() const { return journal_; }

private:
    std::map<Key, Value> values_;
    std::vector<std::string> journal_;
};

}  // namespace horolux
