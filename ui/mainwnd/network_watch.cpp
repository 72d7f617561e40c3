// clang-format off
#include "platform/sockets.h"  // first: Winsock before the other Windows headers
#include <iphlpapi.h>          // after Winsock, for its IP Helper notifications
#include "ui/mainwnd/network_watch.h"
// clang-format on

namespace {

// On a thread of the system's: only a message may cross to the window.
void WINAPI OnInterfaceChange(void* context, MIB_IPINTERFACE_ROW*, MIB_NOTIFICATION_TYPE type) {
    if (type == MibAddInstance || type == MibParameterNotification)
        PostMessageA(static_cast<HWND>(context), UWM_NETWORK_UP, 0, 0);
}

}  // namespace

bool NetworkWatch::Start(HWND window) {
    Stop();
    return NotifyIpInterfaceChange(AF_UNSPEC, OnInterfaceChange, window, FALSE, &m_notification) ==
           NO_ERROR;
}

void NetworkWatch::Stop() {
    // Returns once no callback runs any more, so none posts to a window that is gone.
    if (m_notification) CancelMibChangeNotify2(m_notification);
    m_notification = nullptr;
}
