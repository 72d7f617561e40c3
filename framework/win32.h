#pragma once
// The one place that includes the Windows headers, with the same switches everywhere.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef STRICT
#define STRICT
#endif
#include <windows.h>
#include <commctrl.h>
