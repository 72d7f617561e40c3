#pragma once
#include <string>

#include "framework/win32.h"

namespace fw {

// A message box owned by the application's main window. The caption is the application's name
// unless one is given; a box asked for without an icon gets the exclamation icon.
int AppMessageBox(const std::string& text, UINT type = MB_OK, const char* caption = nullptr);

}  // namespace fw
