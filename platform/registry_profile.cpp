#include "platform/registry_profile.h"

#include <vector>

#include "platform/handles.h"

namespace platform {

HKEY RegistryProfile::OpenSection(const std::string& section) const {
    // Missing keys on the way are created, so a first read already lays out the profile.
    HKEY key = nullptr;
    const std::string path = root_ + "\\" + section;
    if (access_ == Access::ReadOnly)
        return RegOpenKeyExA(hive_, path.c_str(), 0, KEY_READ, &key) == ERROR_SUCCESS ? key
                                                                                      : nullptr;
    if (RegCreateKeyExA(hive_, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_READ | KEY_WRITE, nullptr, &key, nullptr) != ERROR_SUCCESS)
        return nullptr;
    return key;
}

int RegistryProfile::ReadInt(const std::string& section, const std::string& name, int fallback) {
    const RegistryKey key(OpenSection(section));
    if (!key) return fallback;
    DWORD type = 0, value = 0, size = sizeof value;
    if (RegQueryValueExA(key.Get(), name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&value),
                         &size) != ERROR_SUCCESS ||
        type != REG_DWORD || size != sizeof value)
        return fallback;
    return static_cast<int>(value);
}

std::string RegistryProfile::ReadText(const std::string& section, const std::string& name,
                                      const std::string& fallback) {
    const RegistryKey key(OpenSection(section));
    if (!key) return fallback;
    DWORD type = 0, size = 0;
    if (RegQueryValueExA(key.Get(), name.c_str(), nullptr, &type, nullptr, &size) !=
            ERROR_SUCCESS ||
        type != REG_SZ)
        return fallback;
    // The stored data need not end in a zero; leave room for one.
    std::vector<char> data(size + 1, '\0');
    if (RegQueryValueExA(key.Get(), name.c_str(), nullptr, &type,
                         reinterpret_cast<BYTE*>(data.data()), &size) != ERROR_SUCCESS ||
        type != REG_SZ)
        return fallback;
    data.resize(size);
    data.push_back('\0');
    return std::string(data.data());
}

void RegistryProfile::WriteInt(const std::string& section, const std::string& name, int value) {
    const RegistryKey key(OpenSection(section));
    if (!key) return;
    const DWORD data = static_cast<DWORD>(value);
    RegSetValueExA(key.Get(), name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data),
                   sizeof data);
}

void RegistryProfile::WriteText(const std::string& section, const std::string& name,
                                const std::string& value) {
    const RegistryKey key(OpenSection(section));
    if (!key) return;
    RegSetValueExA(key.Get(), name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>(value.size() + 1));
}

std::vector<std::string> ReadTextListValue(HKEY key, const std::string& name) {
    std::vector<std::string> list;
    DWORD type = 0, size = 0;
    if (RegQueryValueExA(key, name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
        type != REG_MULTI_SZ)
        return list;
    std::vector<char> data(size + 2, '\0');  // room for the two closing zeros it may lack
    if (RegQueryValueExA(key, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(data.data()),
                         &size) != ERROR_SUCCESS ||
        type != REG_MULTI_SZ)
        return list;
    // Strings end at each zero; an empty string ends the list.
    for (std::size_t at = 0; at < size && data[at] != '\0';) {
        const std::string item(data.data() + at);
        at += item.size() + 1;
        list.push_back(item);
    }
    return list;
}

std::optional<DWORD> RegistryProfile::ValueType(const std::string& section,
                                                const std::string& name) {
    const RegistryKey key(OpenSection(section));
    DWORD type = 0;
    if (!key || RegQueryValueExA(key.Get(), name.c_str(), nullptr, &type, nullptr, nullptr) !=
                    ERROR_SUCCESS)
        return std::nullopt;
    return type;
}

std::vector<std::string> RegistryProfile::ReadTextList(const std::string& section,
                                                       const std::string& name) {
    const RegistryKey key(OpenSection(section));
    return key ? ReadTextListValue(key.Get(), name) : std::vector<std::string>{};
}

DWORD WriteTextListValue(HKEY key, const std::string& name, const std::vector<std::string>& list) {
    std::string data;
    for (const std::string& item : list) {
        if (item.empty()) continue;  // an empty string would end the list early
        data += item.substr(0, item.find('\0'));
        data += '\0';
    }
    data += '\0';
    if (data.size() == 1) data += '\0';  // an empty list is two zeros
    return static_cast<DWORD>(RegSetValueExA(key, name.c_str(), 0, REG_MULTI_SZ,
                                             reinterpret_cast<const BYTE*>(data.data()),
                                             static_cast<DWORD>(data.size())));
}

void RegistryProfile::WriteTextList(const std::string& section, const std::string& name,
                                    const std::vector<std::string>& value) {
    const RegistryKey key(OpenSection(section));
    if (key) WriteTextListValue(key.Get(), name, value);
}

}  // namespace platform
