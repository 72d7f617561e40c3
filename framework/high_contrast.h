#pragma once
// The system's high-contrast mode. While it is on, every window draws in the system's colours:
// no pictures behind text, no faces or colours of the program's own, focus rectangles shown.
#include <optional>

#include "framework/win32.h"

namespace fw {

// Whether the mode is on now (SPI_GETHIGHCONTRAST, unless a test has switched it).
bool HighContrast();

// The seam for tests: Wine refuses SPI_SETHIGHCONTRAST, so a test switches the mode here for
// this process, then tells the windows as the system would (AnnounceHighContrastChange).
// nullopt gives the system's own answer back.
void SetHighContrastForTesting(std::optional<bool> on);

// What the system sends every top-level window when the mode changes, sent here to this
// thread's top-level windows.
void AnnounceHighContrastChange();

// A window's answer to a change of the mode or of the system's colours: its common controls
// get the colour change (a dialog does not pass it on by itself), focus rectangles and access
// keys are shown while the mode is on, and everything is drawn again at once.
void RedrawForSystemColours(HWND window);

}  // namespace fw
