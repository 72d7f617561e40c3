#include "framework/guard.h"

#include <exception>

// The unwinder calls into the system and leaves its own last error behind, so the code the
// catch-all reports is caught at the throw: every throw in the program passes through here
// (the link maps __cxa_throw to this wrapper).
namespace {
thread_local DWORD t_lastErrorAtThrow = 0;
}

extern "C" {
[[noreturn]] void __real___cxa_throw(void* object, void* type, void (*destroy)(void*));

[[noreturn]] void __wrap___cxa_throw(void* object, void* type, void (*destroy)(void*)) {
    t_lastErrorAtThrow = GetLastError();
    __real___cxa_throw(object, type, destroy);
}
}

namespace fw {

DWORD LastErrorAtThrow() {
    return t_lastErrorAtThrow;
}

}  // namespace fw
