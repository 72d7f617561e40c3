#pragma once
// The program's side of the time service: whether it is there, and one sync through it.
#include <functional>
#include <optional>

#include "core/service/service_protocol.h"

namespace ui {

// Asks the installed time service to sync from the request's source. A stopped service is started
// first (interactive users may). Nothing when there is no service to ask, when the pipe's server
// is not that service's process, or when no readable answer came: the program then syncs by
// itself. progress is called about every 50 ms while waiting.
std::optional<horolux::SyncAnswer> AskTimeService(const horolux::SyncRequest& request,
                                                  const std::function<void()>& progress);

}  // namespace ui
