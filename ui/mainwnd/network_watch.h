#pragma once
// Tells a window when a network interface comes up or changes, so that a sync that could not reach
// its source can be tried again. Where the system cannot tell (Wine), nothing is posted; the
// window's message still serves anyone who posts it.
#include "framework/win32.h"

// Posted to the main window when a network interface came up or changed.
inline constexpr UINT UWM_NETWORK_UP = WM_USER + 103;

class NetworkWatch {
public:
    NetworkWatch() = default;
    NetworkWatch(const NetworkWatch&) = delete;
    NetworkWatch& operator=(const NetworkWatch&) = delete;
    ~NetworkWatch() { Stop(); }

    // Posts UWM_NETWORK_UP to window on each change; false when the system will not tell.
    bool Start(HWND window);
    void Stop();

private:
    HANDLE m_notification = nullptr;
};
