#include "service/pipe_server.h"

#include <utility>

#include "framework/handles.h"

namespace service {

PipeServer::PipeServer(std::string name, RequestHandler handler, PipeLimits limits)
    : name_(std::move(name)), handler_(std::move(handler)), limits_(limits) {}

// Completes one overlapped step that the call started (or failed to start). On time-out or stop
// the step is cancelled and waited out, so the system no longer writes into the caller's buffer.
PipeServer::Wait PipeServer::WaitFor(HANDLE pipe, OVERLAPPED& io, HANDLE stop, DWORD timeoutMs,
                                     DWORD& bytes, bool started) {
    bytes = 0;
    if (!started) {
        const DWORD error = GetLastError();
        if (error != ERROR_IO_PENDING) {
            // A message longer than the buffer is read as far as it fits: say how far.
            if (error == ERROR_MORE_DATA) GetOverlappedResult(pipe, &io, &bytes, FALSE);
            SetLastError(error);
            return Wait::Failed;
        }
    }
    const HANDLE events[] = {io.hEvent, stop};
    const DWORD which = WaitForMultipleObjects(stop ? 2 : 1, events, FALSE, timeoutMs);
    if (which != WAIT_OBJECT_0) {
        CancelIo(pipe);
        GetOverlappedResult(pipe, &io, &bytes, TRUE);
        return which == WAIT_OBJECT_0 + 1 ? Wait::Stopped : Wait::TimedOut;
    }
    return GetOverlappedResult(pipe, &io, &bytes, FALSE) ? Wait::Done : Wait::Failed;
}

void PipeServer::Serve(HANDLE pipe, HANDLE stop) {
    OVERLAPPED io{};
    io.hEvent = event_.Get();
    DWORD bytes = 0;

    // One byte more than a request may have, so an oversized one reaches the handler as such.
    std::vector<std::uint8_t> request(limits_.maxRequest + 1);
    const bool readStarted =
        ReadFile(pipe, request.data(), static_cast<DWORD>(request.size()), nullptr, &io) != FALSE;
    const Wait read = WaitFor(pipe, io, stop, limits_.requestTimeoutMs, bytes, readStarted);
    if (read != Wait::Done && !(read == Wait::Failed && GetLastError() == ERROR_MORE_DATA)) return;
    request.resize(bytes);

    std::vector<std::uint8_t> answer;
    try {
        answer = handler_(request);
    } catch (...) {
        return;  // a fault in one request must not end the service
    }
    if (answer.empty()) return;
    const bool writeStarted =
        WriteFile(pipe, answer.data(), static_cast<DWORD>(answer.size()), nullptr, &io) != FALSE;
    if (WaitFor(pipe, io, stop, limits_.answerTimeoutMs, bytes, writeStarted) != Wait::Done) return;

    // Disconnecting throws away an answer not yet read, so wait for the client to hang up.
    std::uint8_t ignored = 0;
    const bool hangUpStarted = ReadFile(pipe, &ignored, 1, nullptr, &io) != FALSE;
    WaitFor(pipe, io, stop, limits_.answerTimeoutMs, bytes, hangUpStarted);
}

DWORD PipeServer::Open() {
    fw::LocalMemory descriptor;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorA(
            kPipeSecurity, SDDL_REVISION_1,
            reinterpret_cast<PSECURITY_DESCRIPTOR*>(descriptor.Receive()), nullptr))
        return GetLastError();
    SECURITY_ATTRIBUTES security{sizeof security, descriptor.Get(), FALSE};
    // The first and only instance: a process that made the pipe before us makes this fail, and
    // nobody can add an instance beside ours.
    pipe_.Reset(CreateNamedPipeA(
        name_.c_str(), PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED | FILE_FLAG_FIRST_PIPE_INSTANCE,
        PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE | PIPE_WAIT | PIPE_REJECT_REMOTE_CLIENTS, 1, 4096,
        4096, 0, &security));
    if (!pipe_) return GetLastError();
    event_.Reset(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    if (!event_) return GetLastError();
    return 0;
}

void PipeServer::Run(HANDLE stop) {
    if (!pipe_ || !event_) return;
    HANDLE pipe = pipe_.Get();
    for (;;) {
        OVERLAPPED io{};
        io.hEvent = event_.Get();
        DWORD bytes = 0;
        const bool connected = ConnectNamedPipe(pipe, &io) != FALSE;
        Wait wait = Wait::Done;
        if (!connected && GetLastError() != ERROR_PIPE_CONNECTED)
            wait = WaitFor(pipe, io, stop, INFINITE, bytes, false);
        if (wait == Wait::Stopped) return;
        if (wait == Wait::Done) Serve(pipe, stop);
        DisconnectNamedPipe(pipe);
        if (stop && WaitForSingleObject(stop, 0) == WAIT_OBJECT_0) return;
    }
}

}  // namespace service
