#pragma once
// Whether the user is in the middle of something an alarm must not break into: a full-screen
// program, a game or a presentation.
#include "framework/win32.h"

namespace ui {

// True when the shell says so (busy, full-screen Direct3D, presentation mode) or the foreground
// window, not the desktop, the taskbar or one of our own, covers its whole monitor.
bool UserIsBusy();

}  // namespace ui
