#pragma once
// HoroluxTime.exe as a Windows service: the service control manager's side of it.
#include <functional>
#include <string>

#include "core/service/service_names.h"
#include "platform/win32.h"

namespace timeservice {

using horolux::service::kServiceName;

// Hands the process to the service control manager, which runs the service until it is stopped.
// Returns the process's exit code; non-zero when the process was not started as a service.
int RunService();

// Switches on the right to set the clock that the service's account holds but keeps off.
bool EnableSystemTimePrivilege();

// The service's life between the manager's start and stop, apart from the manager: makes the pipe
// of that name, calls running once it is there, and serves its clients until stop is signalled.
// Returns 0, or the error that kept the pipe from being made. Records its start and stop.
DWORD Serve(const std::string& pipeName, HANDLE stop, const std::function<void()>& running);

}  // namespace timeservice
