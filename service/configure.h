#pragma once
// What the installer asks of HoroluxTime.exe once the service is registered: what the package's
// tables cannot say (wixl writes neither delayed start nor a service's permissions), and the
// values of its public properties (core/settings/install_properties.h).
#include <string>
#include <vector>

namespace timeservice {

// Who may do what with the service. Local System and administrators as Windows gives them;
// interactive users may query, interrogate and start it (a sync may find it stopped) but neither
// stop nor reconfigure it; other services' accounts may query it.
inline constexpr char kServiceSecurity[] =
    "D:(A;;CCLCSWRPWPDTLOCRRC;;;SY)(A;;CCDCLCSWRPWPDTLOCRSDRCWDWO;;;BA)"
    "(A;;CCLCSWRPLOCRRC;;;IU)(A;;CCLCSWLOCRRC;;;SU)";

// Writes the properties given as arguments ("NAME=value", see ConfigureCommandLine) into the
// machine's defaults and the service's allow-list, and otherwise the source's default and the
// default allow-list where there are none, so that what an earlier installation or an
// administrator wrote survives an upgrade; then sets the installed service to start
// automatically once the boot's other automatic services have (delayed) and gives it the
// permissions above. Nothing is written of arguments that do not read (ERROR_INVALID_PARAMETER).
// Returns 0 or the Windows error that stopped it.
int ConfigureInstalledService(const std::vector<std::string>& arguments);

}  // namespace timeservice
