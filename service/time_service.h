#pragma once
// HoroluxTime.exe as a Windows service: the service control manager's side of it.
#include "core/service/service_names.h"

namespace service {

using horolux::service::kServiceName;

// Hands the process to the service control manager, which runs the service until it is stopped.
// Returns the process's exit code; non-zero when the process was not started as a service.
int RunService();

// Switches on the right to set the clock that the service's account holds but keeps off.
bool EnableSystemTimePrivilege();

}  // namespace service
