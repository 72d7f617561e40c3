#pragma once
// The one place that includes the Windows headers, with the same switches everywhere.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef STRICT
#define STRICT
#endif
// clang-format off
#include <windows.h>  // first: the other Windows headers need its types
#include <commctrl.h>
#include <mmsystem.h>
#include <sddl.h>
#include <shellapi.h>
#include <wininet.h>
// clang-format on
