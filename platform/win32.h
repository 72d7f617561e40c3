#pragma once
// The one place that includes the Windows headers, with the same switches everywhere. What the
// time service needs too; the windows' headers are added by framework/win32.h, and each Internet
// library's header by its own (platform/wininet.h, platform/winhttp.h), since they cannot meet.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef STRICT
#define STRICT
#endif
// clang-format off
#include <windows.h>  // first: the other Windows headers need its types
#include <sddl.h>
// clang-format on
