#pragma once
#include "framework/win32.h"

namespace ui {

// Plays a "WAVE" resource of the executable from memory, asynchronously; 0 when there is no such
// resource or it cannot be played.
int PlayWaveResource(UINT id, bool loop);

}  // namespace ui
