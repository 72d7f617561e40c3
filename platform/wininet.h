#pragma once
// WinINet, the program's Internet library, and the owner of its handles. Not for the time
// service: winhttp.h declares many of the same names differently.
// clang-format off
#include "platform/handles.h"  // the Windows headers first
#include <wininet.h>
// clang-format on

namespace platform {

struct InternetHandleTraits {
    using Handle = HINTERNET;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle h) { InternetCloseHandle(h); }
};
using InternetHandle = UniqueHandle<InternetHandleTraits>;

}  // namespace platform
