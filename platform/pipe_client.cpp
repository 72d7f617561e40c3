#include "platform/pipe_client.h"

#include <algorithm>

#include "platform/handles.h"

namespace platform {

namespace {

PipeAnswer Failed(PipeFailure failure, DWORD error = ERROR_SUCCESS) {
    return {std::nullopt, failure, error};
}

// The running service's process id, or the failure that says why there is none.
PipeFailure RunningServiceProcess(const char* serviceName, DWORD& pid, DWORD& error) {
    const ServiceHandle manager(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT));
    const ServiceHandle service(
        manager ? OpenServiceA(manager.Get(), serviceName, SERVICE_QUERY_STATUS) : nullptr);
    SERVICE_STATUS_PROCESS status{};
    DWORD size = 0;
    if (!service || !QueryServiceStatusEx(service.Get(), SC_STATUS_PROCESS_INFO,
                                          reinterpret_cast<BYTE*>(&status), sizeof status, &size)) {
        error = GetLastError();
        return error == ERROR_SERVICE_DOES_NOT_EXIST ? PipeFailure::ServiceMissing
                                                     : PipeFailure::ManagerRefused;
    }
    if (status.dwCurrentState != SERVICE_RUNNING) return PipeFailure::ServiceNotRunning;
    pid = status.dwProcessId;
    return PipeFailure::None;
}

// Opens the pipe, waiting while another client is served; the error code when it cannot.
FileHandle OpenPipe(const char* pipeName, const PipeTimeLimits& limits,
                    const std::function<void()>& progress, DWORD& error) {
    for (DWORD waited = 0; waited <= limits.busyMs; waited += limits.stepMs) {
        // Identification only: a stranger's pipe must not act in the user's name.
        FileHandle pipe(CreateFileA(
            pipeName, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
            FILE_FLAG_OVERLAPPED | SECURITY_SQOS_PRESENT | SECURITY_IDENTIFICATION, nullptr));
        error = GetLastError();
        if (pipe || error != ERROR_PIPE_BUSY) return pipe;
        WaitNamedPipeA(pipeName, limits.stepMs);
        error = GetLastError();
        progress();
    }
    return {};
}

// One overlapped read or write, given up after limitMs, with progress while it waits.
bool Transfer(HANDLE pipe, OVERLAPPED& io, bool started, DWORD& bytes, DWORD limitMs,
              const PipeTimeLimits& limits, const std::function<void()>& progress) {
    if (!started && GetLastError() != ERROR_IO_PENDING) return false;
    DWORD waited = 0;
    DWORD result = WAIT_TIMEOUT;
    while (true) {
        const DWORD step = std::min(limits.stepMs, limitMs - waited);
        result = WaitForSingleObject(io.hEvent, step);
        if (result != WAIT_TIMEOUT) break;
        waited += step;
        progress();
        if (waited >= limitMs) break;
    }
    if (result != WAIT_OBJECT_0) {
        CancelIo(pipe);
        GetOverlappedResult(pipe, &io, &bytes, TRUE);
        return false;
    }
    return GetOverlappedResult(pipe, &io, &bytes, FALSE) != FALSE;
}

}  // namespace

PipeAnswer AskOverPipe(const char* pipeName, const char* serviceName,
                       std::span<const std::uint8_t> request, std::size_t maxAnswerSize,
                       const PipeTimeLimits& limits, const std::function<void()>& progress) {
    DWORD servicePid = 0;
    DWORD error = ERROR_SUCCESS;
    if (serviceName) {
        const PipeFailure failure = RunningServiceProcess(serviceName, servicePid, error);
        if (failure != PipeFailure::None) return Failed(failure, error);
    }
    const FileHandle pipe = OpenPipe(pipeName, limits, progress, error);
    if (!pipe) return Failed(PipeFailure::NotOpened, error);
    // Whoever made the pipe first owns the name: only the service's own process is believed.
    ULONG serverPid = 0;
    if (serviceName &&
        (!GetNamedPipeServerProcessId(pipe.Get(), &serverPid) || serverPid != servicePid))
        return Failed(PipeFailure::OtherServer);
    DWORD mode = PIPE_READMODE_MESSAGE;
    if (!SetNamedPipeHandleState(pipe.Get(), &mode, nullptr, nullptr))
        return Failed(PipeFailure::NotSetUp, GetLastError());
    const KernelHandle event(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    if (!event) return Failed(PipeFailure::NotSetUp, GetLastError());

    OVERLAPPED io{};
    io.hEvent = event.Get();
    DWORD bytes = 0;
    const bool written = WriteFile(pipe.Get(), request.data(), static_cast<DWORD>(request.size()),
                                   nullptr, &io) != FALSE;
    if (!Transfer(pipe.Get(), io, written, bytes, limits.requestMs, limits, progress) ||
        bytes != request.size())
        return Failed(PipeFailure::NotSent);
    // One byte more than an answer may have, so a longer message does not read as one.
    std::vector<std::uint8_t> answer(maxAnswerSize + 1);
    const bool read = ReadFile(pipe.Get(), answer.data(), static_cast<DWORD>(answer.size()),
                               nullptr, &io) != FALSE;
    if (!Transfer(pipe.Get(), io, read, bytes, limits.answerMs, limits, progress))
        return Failed(PipeFailure::NoAnswer);
    answer.resize(bytes);
    return {std::move(answer), PipeFailure::None, ERROR_SUCCESS};
}

}  // namespace platform
