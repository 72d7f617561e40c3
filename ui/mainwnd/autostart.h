#pragma once
// The autostart value "Horolux" under the Run key: the machine's when it may be written, else the
// current user's.
#include <string>

#include "framework/win32.h"

namespace ui {

inline constexpr char kRunKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
inline constexpr char kRunValueName[] = "Horolux";

bool FileExists(const std::string& path);

// Registers appPath + "Horolux.exe" (appPath ends in a backslash) when that file exists.
void WriteRunValue(const std::string& appPath);
// Removes the autostart value; returns the error of the machine-wide step, 0 on success.
LONG DeleteRunValue();

}  // namespace ui
