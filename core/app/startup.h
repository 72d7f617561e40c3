#pragma once
// What start-up records about where the program lives, kept free of Windows so it can be
// tested with a fake file system.
#include <functional>
#include <string>

#include "core/settings/settings_store.h"

namespace horolux {

inline constexpr char kExeFileName[] = "Horolux.exe";

struct StartupRecord {
    std::string appPath;  // the executable's directory, ending in a backslash
    int firstRun = 0;     // 1 when FirstRun was missing or "YES"
    bool writeRunValue = false;
};

// Appends a backslash unless the text already ends in one.
std::string WithTrailingBackslash(std::string path);

// Reads and writes FirstRun and AppPath for a start from the working directory cwd.
// exists(path) tells whether a file exists.
StartupRecord RecordStartup(SettingsStore& store, const std::string& cwd,
                            const std::function<bool(const std::string&)>& exists);

}  // namespace horolux
