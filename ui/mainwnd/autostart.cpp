#include "ui/mainwnd/autostart.h"

#include "core/app/startup.h"
#include "platform/handles.h"

namespace ui {

namespace {

LONG SetRunValue(HKEY hive, const std::string& exePath) {
    platform::RegistryKey key;
    const LONG error = RegOpenKeyExA(hive, kRunKey, 0, KEY_WRITE, key.Receive());
    if (error != ERROR_SUCCESS) return error;
    return RegSetValueExA(key.Get(), kRunValueName, 0, REG_SZ,
                          reinterpret_cast<const BYTE*>(exePath.c_str()),
                          static_cast<DWORD>(exePath.size() + 1));
}

LONG RemoveRunValue(HKEY hive) {
    platform::RegistryKey key;
    const LONG error = RegOpenKeyExA(hive, kRunKey, 0, KEY_WRITE, key.Receive());
    if (error != ERROR_SUCCESS) return error;
    return RegDeleteValueA(key.Get(), kRunValueName);
}

}  // namespace

bool FileExists(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

void WriteRunValue(const std::string& appPath) {
    const std::string exePath = appPath + horolux::kExeFileName;
    if (!FileExists(exePath)) return;
    // A standard user cannot write the machine-wide key on current Windows; autostart for this
    // user alone is then the honest substitute, rather than a ticked box that registered nothing.
    if (SetRunValue(HKEY_LOCAL_MACHINE, exePath) == ERROR_SUCCESS)
        RemoveRunValue(HKEY_CURRENT_USER);  // one autostart entry, not two
    else
        SetRunValue(HKEY_CURRENT_USER, exePath);
}

LONG DeleteRunValue() {
    const LONG machineError = RemoveRunValue(HKEY_LOCAL_MACHINE);
    RemoveRunValue(HKEY_CURRENT_USER);
    return machineError;
}

}  // namespace ui
