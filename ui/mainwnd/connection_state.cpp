#include "ui/mainwnd/connection_state.h"

#include "platform/wininet.h"

namespace ui {

horolux::ConnectionState ReadConnectionState() {
    DWORD flags = 0;
    char name[128] = {};
    const BOOL connected = InternetGetConnectedStateExA(&flags, name, sizeof name, 0);
    return {connected != FALSE, flags, name};
}

}  // namespace ui
