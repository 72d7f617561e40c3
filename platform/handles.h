#pragma once
// One owner for the handles the program acquires and must release exactly once. A trait names
// the handle type, the value that means "none" and the release call. The owners of WinINet,
// WinHTTP, Winsock and Windows Installer handles are in platform/wininet.h, platform/winhttp.h,
// platform/sockets.h and platform/msi.h, beside their libraries' headers.

#include <utility>

#include "platform/win32.h"

namespace platform {

template <class Traits>
class UniqueHandle {
public:
    using Handle = typename Traits::Handle;

    UniqueHandle() = default;
    explicit UniqueHandle(Handle h) : h_(h) {}
    UniqueHandle(UniqueHandle&& other) noexcept : h_(other.Release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other) Reset(other.Release());
        return *this;
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    ~UniqueHandle() { Reset(); }

    Handle Get() const { return h_; }
    // For calls that hand a new handle back through a pointer; any held one is released first.
    Handle* Receive() {
        Reset();
        return &h_;
    }
    explicit operator bool() const { return h_ != Traits::Invalid(); }
    Handle Release() { return std::exchange(h_, Traits::Invalid()); }
    void Reset(Handle h = Traits::Invalid()) {
        const Handle old = std::exchange(h_, h);
        if (old != Traits::Invalid()) Traits::Close(old);
    }

private:
    Handle h_ = Traits::Invalid();
};

// Events, mutexes, threads, waitable timers, processes: null means none.
struct KernelHandleTraits {
    using Handle = HANDLE;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle h) { CloseHandle(h); }
};
using KernelHandle = UniqueHandle<KernelHandleTraits>;

// Files and pipe ends: CreateFile and CreateNamedPipe say "none" with INVALID_HANDLE_VALUE.
struct FileHandleTraits {
    using Handle = HANDLE;
    static Handle Invalid() { return INVALID_HANDLE_VALUE; }
    static void Close(Handle h) { CloseHandle(h); }
};
using FileHandle = UniqueHandle<FileHandleTraits>;

// The service control manager and the services opened through it.
struct ServiceHandleTraits {
    using Handle = SC_HANDLE;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle h) { CloseServiceHandle(h); }
};
using ServiceHandle = UniqueHandle<ServiceHandleTraits>;

struct RegistryKeyTraits {
    using Handle = HKEY;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle h) { RegCloseKey(h); }
};
using RegistryKey = UniqueHandle<RegistryKeyTraits>;

struct GlobalMemoryTraits {
    using Handle = HGLOBAL;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle h) { GlobalFree(h); }
};
using GlobalMemory = UniqueHandle<GlobalMemoryTraits>;

// What the system allocated for the caller with LocalAlloc (a converted security descriptor).
struct LocalMemoryTraits {
    using Handle = HLOCAL;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle h) { LocalFree(h); }
};
using LocalMemory = UniqueHandle<LocalMemoryTraits>;

// A loaded library (LoadLibrary).
struct ModuleTraits {
    using Handle = HMODULE;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle h) { FreeLibrary(h); }
};
using Module = UniqueHandle<ModuleTraits>;

// An Event Log source registered for reporting (RegisterEventSource).
struct EventSourceTraits {
    using Handle = HANDLE;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle h) { DeregisterEventSource(h); }
};
using EventSource = UniqueHandle<EventSourceTraits>;

// A critical section lives where it was made (it must not move), so it is owned in place.
class CriticalSection {
public:
    CriticalSection() { InitializeCriticalSection(&cs_); }
    CriticalSection(const CriticalSection&) = delete;
    CriticalSection& operator=(const CriticalSection&) = delete;
    ~CriticalSection() { DeleteCriticalSection(&cs_); }

    class Lock {
    public:
        explicit Lock(CriticalSection& cs) : cs_(cs) { EnterCriticalSection(&cs_.cs_); }
        Lock(const Lock&) = delete;
        Lock& operator=(const Lock&) = delete;
        ~Lock() { LeaveCriticalSection(&cs_.cs_); }

    private:
        CriticalSection& cs_;
    };

private:
    CRITICAL_SECTION cs_;
};

}  // namespace platform
