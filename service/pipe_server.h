#pragma once
// The time service's one named pipe: one client at a time, one request and one answer each, in
// message mode. Requests that are too long or too slow, and clients that go away, cost nothing
// but their own connection.
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "core/sync/time_limits.h"
#include "platform/handles.h"

namespace timeservice {

// Local System, administrators and the service itself have full access; interactive users may
// connect, write a request and read the answer, but not create an instance of the pipe.
inline constexpr char kPipeSecurity[] =
    "D:P(A;;GA;;;SY)(A;;GA;;;BA)(A;;GA;;;LS)(A;;0x0012018b;;;IU)";

struct PipeLimits {
    std::size_t maxRequest = 4096;  // a longer message is handed on cut, one byte over this
    std::size_t maxAnswer = 4096;   // the pipe's buffer for answers
    DWORD requestTimeoutMs = horolux::kPipeRequestTimeoutMs;  // from connecting to the request
    DWORD answerTimeoutMs = horolux::kPipeAnswerTimeoutMs;    // to take the answer and hang up
};

// After a failure to wait for a client, the pipe is tried again after this, doubled after each
// failure in a row up to the longest, so that a broken pipe cannot keep the service spinning.
inline constexpr DWORD kConnectRetryMs = 100;
inline constexpr DWORD kLongestConnectRetryMs = 30000;

// Turns the bytes of one request of client's into the bytes of its answer; an empty answer closes
// the connection without one. client is the user who connected, "DOMAIN\user" (the account's SID
// when it has no name), or kUnknownClient.
using RequestHandler = std::function<std::vector<std::uint8_t>(std::span<const std::uint8_t>,
                                                               const std::string& client)>;
inline constexpr char kUnknownClient[] = "(unknown user)";

class PipeServer {
public:
    PipeServer(std::string name, RequestHandler handler, PipeLimits limits = {});

    // Creates the pipe; fails when another process already has one of that name. Returns 0 or
    // the error.
    DWORD Open();
    // Serves clients one after the other until stop is signalled.
    void Run(HANDLE stop);

private:
    enum class Wait { Done, Failed, TimedOut, Stopped };
    Wait WaitFor(HANDLE pipe, OVERLAPPED& io, HANDLE stop, DWORD timeoutMs, DWORD& bytes,
                 bool started);
    void Serve(HANDLE pipe, HANDLE stop);

    std::string name_;
    RequestHandler handler_;
    PipeLimits limits_;
    platform::FileHandle pipe_;
    platform::KernelHandle event_;
};

}  // namespace timeservice
