#pragma once
// Raising a window into the topmost band without taking the keyboard from the foreground window;
// the floating clock and the alarm popup keep themselves visible with it.
#include "framework/win32.h"

namespace ui {

void KeepOnTop(HWND window);

}  // namespace ui
