#pragma once
// "HoroluxTime.exe --status [--json] [--pipe NAME]": asks the running service how it stands and
// prints it, for any user and without elevation. Exit codes as core/service/status_report.h
// gives them: 0 the last sync set the clock, 1 it failed or none was made since the service
// started, 2 the service could not be asked (or the command line is wrong).
#include <span>
#include <string_view>

namespace timeservice {

// options: what follows "--status". "--pipe NAME" asks whoever serves that pipe instead of the
// installed service (the tests' own servers).
int RunStatusCommand(std::span<const std::string_view> options);

}  // namespace timeservice
