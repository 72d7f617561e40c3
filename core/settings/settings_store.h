#pragma once
// The program's settings profile as the portable code sees it: named integer and text values in
// sections. On Windows the registry backs it (platform/registry_profile.h); tests use an
// in-memory store (tests/support/memory_settings_store.h).
#include <string>
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

}  // namespace horolux
