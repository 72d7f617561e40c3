#pragma once
// WinHTTP, the Internet library a service may use, and the owner of its handles. A file that
// includes this may not include platform/wininet.h: the two declare many names differently.
#ifdef _WININET_
#error "winhttp.h and wininet.h cannot share a file"
#endif
// clang-format off
#include "platform/handles.h"  // the Windows headers first
#include <winhttp.h>
// clang-format on

namespace platform {

struct WinHttpHandleTraits {
    using Handle = HINTERNET;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle h) { WinHttpCloseHandle(h); }
};
using WinHttpHandle = UniqueHandle<WinHttpHandleTraits>;

}  // namespace platform
