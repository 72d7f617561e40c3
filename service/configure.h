#pragma once
// What the installer asks of HoroluxTime.exe once the service is registered: what the package's
// tables cannot say (wixl writes neither delayed start nor a service's permissions).

namespace service {

// Who may do what with the service. Local System and administrators as Windows gives them;
// interactive users may query, interrogate and start it (a sync may find it stopped) but neither
// stop nor reconfigure it; other services' accounts may query it.
inline constexpr char kServiceSecurity[] =
    "D:(A;;CCLCSWRPWPDTLOCRRC;;;SY)(A;;CCDCLCSWRPWPDTLOCRSDRCWDWO;;;BA)"
    "(A;;CCLCSWRPLOCRRC;;;IU)(A;;CCLCSWLOCRRC;;;SU)";

// Sets the installed service to start automatically once the boot's other automatic services
// have (delayed), gives it the permissions above and writes the default allow-list when there is
// none, so that a list an administrator edited survives an upgrade. Returns 0 or the Windows
// error that stopped it.
int ConfigureInstalledService();

}  // namespace service
