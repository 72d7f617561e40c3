#pragma once
// What the system says of the Internet connection now, for the main window's dial-up watch.
#include "core/schedule/schedule.h"

namespace ui {

// InternetGetConnectedStateEx's answer: whether connected, its flags and the connection's name.
horolux::ConnectionState ReadConnectionState();

}  // namespace ui
