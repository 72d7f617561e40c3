#pragma once
// Small registry helpers for tests: read values back raw and clean up keys a test made.
#include <optional>
#include <string>

#include "framework/win32.h"

namespace test {

struct RawValue {
    DWORD type = REG_NONE;
    std::string data;  // raw bytes
};

inline std::optional<RawValue> ReadRaw(HKEY hive, const std::string& key, const std::string& name) {
    HKEY k = nullptr;
    if (RegOpenKeyExA(hive, key.c_str(), 0, KEY_READ, &k) != ERROR_SUCCESS) return std::nullopt;
    RawValue v;
    DWORD size = 0;
    LONG rc = RegQueryValueExA(k, name.c_str(), nullptr, &v.type, nullptr, &size);
    if (rc == ERROR_SUCCESS) {
        v.data.resize(size);
        rc = RegQueryValueExA(k, name.c_str(), nullptr, &v.type,
                              reinterpret_cast<BYTE*>(v.data.data()), &size);
    }
    RegCloseKey(k);
    if (rc != ERROR_SUCCESS) return std::nullopt;
    return v;
}

// A REG_SZ value as text without its terminating zero; nullopt when missing or of another type.
inline std::optional<std::string> ReadSz(HKEY hive, const std::string& key,
                                         const std::string& name) {
    auto v = ReadRaw(hive, key, name);
    if (!v || v->type != REG_SZ) return std::nullopt;
    std::string s = v->data;
    while (!s.empty() && s.back() == '\0') s.pop_back();
    return s;
}

inline bool KeyExists(HKEY hive, const std::string& key) {
    HKEY k = nullptr;
    if (RegOpenKeyExA(hive, key.c_str(), 0, KEY_READ, &k) != ERROR_SUCCESS) return false;
    RegCloseKey(k);
    return true;
}

inline void DeleteTree(HKEY hive, const std::string& key) {
    RegDeleteTreeA(hive, key.c_str());
    RegDeleteKeyA(hive, key.c_str());
}

inline void SetRaw(HKEY hive, const std::string& key, const std::string& name, DWORD type,
                   const void* data, DWORD size) {
    HKEY k = nullptr;
    RegCreateKeyExA(hive, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &k, nullptr);
    RegSetValueExA(k, name.c_str(), 0, type, static_cast<const BYTE*>(data), size);
    RegCloseKey(k);
}

}  // namespace test
