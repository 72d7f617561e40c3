#pragma once
// The application profile in the registry:
// HKEY_CURRENT_USER\Software\<company>\<application>\<section>.
#include <optional>
#include <string>
#include <vector>

#include "core/settings/settings_store.h"
#include "platform/win32.h"

namespace platform {

// The strings of a REG_MULTI_SZ value of an open key; empty when it is missing or of another type.
std::vector<std::string> ReadTextListValue(HKEY key, const std::string& name);

// Stores the strings as a REG_MULTI_SZ value of an open key; the system's error code. An empty
// string would end the list early, so none is stored; a string is stored up to any zero in it; an
// empty list is stored as two zeros.
DWORD WriteTextListValue(HKEY key, const std::string& name, const std::vector<std::string>& list);

class RegistryProfile final : public horolux::SettingsStore {
public:
    enum class Access { ReadWrite, ReadOnly };
    // root: the key holding the sections, e.g. "Software\\Horolux\\Horolux". A read-only profile
    // (the machine's defaults, which a user may not change) creates no key and ignores writes.
    explicit RegistryProfile(std::string root, HKEY hive = HKEY_CURRENT_USER,
                             Access access = Access::ReadWrite)
        : root_(std::move(root)), hive_(hive), access_(access) {}

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

    // The type of a stored value (REG_DWORD, REG_SZ, ...); nothing when it is missing. For a
    // reader that must tell a value of another type from none, which the reads above do not.
    std::optional<DWORD> ValueType(const std::string& section, const std::string& name);

private:
    HKEY OpenSection(const std::string& section) const;

    std::string root_;
    HKEY hive_;
    Access access_;
};

}  // namespace platform
