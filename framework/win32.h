#pragma once
// The Windows headers of the program's windows: common controls, sounds and the shell.
// clang-format off
#include "platform/win32.h"  // first: the other Windows headers need its types
#include <commctrl.h>
#include <mmsystem.h>
#include <shellapi.h>
// clang-format on
