#pragma once
// The client's side of a named pipe of a service's: one request, one answer. Both the program's
// sync through the time service and "HoroluxTime.exe --status" ask through it.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <vector>

#include "platform/win32.h"

namespace platform {

struct PipeTimeLimits {
    DWORD busyMs;     // another client being served is waited for this long
    DWORD requestMs;  // to write the request
    DWORD answerMs;   // to read the answer, once the request is written
    DWORD stepMs;     // progress between waits
};

enum class PipeFailure {
    None,
    ServiceMissing,     // the service is not installed
    ManagerRefused,     // the service manager could not be asked
    ServiceNotRunning,  // the service is not running
    NotOpened,          // the pipe could not be opened (busy for too long, or not there)
    OtherServer,        // the pipe's server is not the service's process
    NotSetUp,           // the pipe could not be set up for messages
    NotSent,            // the request could not be written whole
    NoAnswer,           // no answer of at most maxAnswerSize bytes came in time
};

struct PipeAnswer {
    std::optional<std::vector<std::uint8_t>> answer;  // without it, failure says why
    PipeFailure failure = PipeFailure::None;
    DWORD error = ERROR_SUCCESS;  // the system's error code, where the failure has one
};

// Sends request over pipeName and reads one answer message. The pipe is opened with
// identification-only impersonation, and when serviceName is given, only a pipe served by that
// running service's own process is believed (whoever makes a pipe first owns its name); a null
// serviceName asks whoever serves the pipe. progress is called about every stepMs while waiting.
PipeAnswer AskOverPipe(const char* pipeName, const char* serviceName,
                       std::span<const std::uint8_t> request, std::size_t maxAnswerSize,
                       const PipeTimeLimits& limits, const std::function<void()>& progress);

}  // namespace platform
