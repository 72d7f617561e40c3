#pragma once
// The Windows Installer's API, for the package's own custom actions and the installer tests, and
// the owner of its handles (records, views, databases, the installation's own).
// clang-format off
#include "platform/handles.h"  // the Windows headers first
#include <msi.h>
#include <msiquery.h>
// clang-format on

namespace platform {

struct MsiHandleTraits {
    using Handle = MSIHANDLE;
    static Handle Invalid() { return 0; }
    static void Close(Handle h) { MsiCloseHandle(h); }
};
using MsiHandle = UniqueHandle<MsiHandleTraits>;

}  // namespace platform
