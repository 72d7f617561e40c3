#pragma once
// What the installer asks of HoroluxTime.exe once the service is registered.

namespace service {

// Sets up the installed service beyond what the installer's tables can say. Returns 0 or the
// Windows error that stopped it.
int ConfigureInstalledService();

}  // namespace service
