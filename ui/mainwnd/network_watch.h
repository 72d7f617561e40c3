#pragma once
// Tells a window when a network interface comes up or changes, so that a sync that could not reach
// its source can be tried again. Where the system cannot tell (Wine), nothing is posted; the
// window's message still serves anyone who posts it.
#include "framework/win32.h"
#include "platform/handles.h"

namespace ui {

// Posted to the main window when a network interface came up or changed.
inline constexpr UINT UWM_NETWORK_UP = WM_USER + 103;

// A change notification of the IP Helper; closing it waits for a callback under way.
struct MibNotificationTraits {
    using Handle = HANDLE;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle h);  // beside the IP Helper's header, which needs Winsock's first
};

class NetworkWatch {
public:
    // Posts UWM_NETWORK_UP to window on each change; false when the system will not tell.
    bool Start(HWND window);
    // Once it returns no callback runs any more, so none posts to a window that is gone.
    void Stop() { m_notification.Reset(); }

private:
    platform::UniqueHandle<MibNotificationTraits> m_notification;
};

}  // namespace ui
