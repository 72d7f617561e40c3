#pragma once
// The program's settings profile as the portable code sees it: named integer and text values in
// sections. On Windows the registry backs it (framework/registry_profile.h); tests use the
// in-memory store below.
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace horolux {

class SettingsStore {
public:
    virtual ~SettingsStore() = default;
    // A value that is missing or of the other type reads as the given default.
    virtual int ReadInt(const std::string& section, const std::string& name, int fallback) = 0;
    virtual std::string ReadText(const std::string& section, const std::string& name,
                                 const std::string& fallback) = 0;
    // Writes are fire-and-forget: a failure is ignored, as nothing could be done about it.
    virtual void WriteInt(const std::string& section, const std::string& name, int value) = 0;
    virtual void WriteText(const std::string& section, const std::string& name,
                           const std::string& value) = 0;
    // A list of texts (REG_MULTI_SZ); missing or of another type, it reads as empty.
    virtual std::vector<std::string> ReadTextList(const std::string& section,
                                                  const std::string& name) = 0;
    virtual void WriteTextList(const std::string& section, const std::string& name,
                               const std::vector<std::string>& value) = 0;
};

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
    std::vector<std::string> ReadTextList(const std::string& section, const std::string& name) override;
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
