// clang-format off
#include "platform/sockets.h"  // first: Winsock before the other Windows headers
#include <iphlpapi.h>          // after Winsock, for its IP Helper notifications
#include "ui/mainwnd/network_watch.h"

namespace ui {

// clang-format on

namespace {

// On a thread of the system's: only a message may cross to the window.
void WINAPI OnInterfaceChange(void* context, MIB_IPINTERFACE_ROW*, MIB_NOTIFICATION_TYPE type) {
    if (type == MibAddInstance || type == MibParameterNotification)
        PostMessageA(static_cast<HWND>(context), UWM_NETWORK_UP, 0, 0);
}

}  // namespace

void MibNotificationTraits::Close(HANDLE h) {
    CancelMibChangeNotify2(h);
}

bool NetworkWatch::Start(HWND window) {
    return NotifyIpInterfaceChange(AF_UNSPEC, OnInterfaceChange, window, FALSE,
                                   m_notification.Receive()) == NO_ERROR;
}

}  // namespace ui
