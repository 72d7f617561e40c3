#include "ui/sync/time_service_client.h"

#include <string>

#include "core/service/service_names.h"
#include "core/sync/time_limits.h"
#include "platform/handles.h"

using horolux::SyncAnswer;

namespace {

using horolux::kClientAnswerTimeoutMs;
using horolux::kClientBusyTimeoutMs;
using horolux::kClientStartTimeoutMs;
using horolux::kClientStepMs;

// Whether the service is registered, from the key the service control manager keeps for it: a
// registry read, where a call to the manager would add milliseconds to every sync of a PC without
// the service.
bool ServiceRegistered() {
    const std::string key =
        std::string("SYSTEM\\CurrentControlSet\\Services\\") + horolux::service::kServiceName;
    fw::RegistryKey service;
    return RegOpenKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_QUERY_VALUE, service.Receive()) ==
           ERROR_SUCCESS;
}

// The process id of the running time service, starting it when it is stopped; 0 when there is
// none or it does not come up.
DWORD ServiceProcess(const std::function<void()>& progress) {
    if (!ServiceRegistered()) return 0;
    const fw::ServiceHandle manager(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT));
    if (!manager) return 0;
    const fw::ServiceHandle service(OpenServiceA(manager.Get(), horolux::service::kServiceName,
                                                 SERVICE_QUERY_STATUS | SERVICE_START));
    if (!service) return 0;
    bool startAsked = false;
    for (DWORD waited = 0; waited <= kClientStartTimeoutMs; waited += kClientStepMs) {
        SERVICE_STATUS_PROCESS status{};
        DWORD size = 0;
        if (!QueryServiceStatusEx(service.Get(), SC_STATUS_PROCESS_INFO,
                                  reinterpret_cast<BYTE*>(&status), sizeof status, &size))
            return 0;
        if (status.dwCurrentState == SERVICE_RUNNING) return status.dwProcessId;
        if (status.dwCurrentState == SERVICE_STOPPED) {
            if (startAsked || !StartServiceA(service.Get(), 0, nullptr)) return 0;
            startAsked = true;
        }
        Sleep(kClientStepMs);
        progress();
    }
    return 0;
}

// Opens the service's pipe, waiting while another client is served.
fw::FileHandle OpenPipe(const std::function<void()>& progress) {
    for (DWORD waited = 0; waited <= kClientBusyTimeoutMs; waited += kClientStepMs) {
        // Identification only: a stranger's pipe must not act in the user's name.
        fw::FileHandle pipe(CreateFileA(
            horolux::service::kPipeName, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
            FILE_FLAG_OVERLAPPED | SECURITY_SQOS_PRESENT | SECURITY_IDENTIFICATION, nullptr));
        if (pipe || GetLastError() != ERROR_PIPE_BUSY) return pipe;
        WaitNamedPipeA(horolux::service::kPipeName, kClientStepMs);
        progress();
    }
    return {};
}

// One overlapped read or write of the pipe, with progress while it waits.
bool Transfer(HANDLE pipe, OVERLAPPED& io, bool started, DWORD& bytes,
              const std::function<void()>& progress) {
    if (!started && GetLastError() != ERROR_IO_PENDING) return false;
    for (DWORD waited = 0; WaitForSingleObject(io.hEvent, kClientStepMs) == WAIT_TIMEOUT;
         waited += kClientStepMs) {
        progress();
        if (waited > kClientAnswerTimeoutMs) {
            CancelIo(pipe);
            GetOverlappedResult(pipe, &io, &bytes, TRUE);
            return false;
        }
    }
    return GetOverlappedResult(pipe, &io, &bytes, FALSE) != FALSE;
}

}  // namespace

std::optional<SyncAnswer> AskTimeService(const horolux::SyncRequest& request,
                                         const std::function<void()>& progress) {
    const DWORD servicePid = ServiceProcess(progress);
    if (!servicePid) return std::nullopt;
    const fw::FileHandle pipe = OpenPipe(progress);
    if (!pipe) return std::nullopt;
    // Whoever made the pipe first owns the name: only the service's own process is believed.
    ULONG serverPid = 0;
    if (!GetNamedPipeServerProcessId(pipe.Get(), &serverPid) || serverPid != servicePid)
        return std::nullopt;
    DWORD mode = PIPE_READMODE_MESSAGE;
    if (!SetNamedPipeHandleState(pipe.Get(), &mode, nullptr, nullptr)) return std::nullopt;

    const fw::KernelHandle event(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    if (!event) return std::nullopt;
    OVERLAPPED io{};
    io.hEvent = event.Get();
    DWORD bytes = 0;
    const std::vector<std::uint8_t> message = horolux::service::EncodeRequest(request);
    const bool written = WriteFile(pipe.Get(), message.data(), static_cast<DWORD>(message.size()),
                                   nullptr, &io) != FALSE;
    if (!Transfer(pipe.Get(), io, written, bytes, progress) || bytes != message.size())
        return std::nullopt;
    // One byte more than an answer has, so a longer message does not read as one.
    std::vector<std::uint8_t> answer(horolux::service::kMaxAnswerSize + 1);
    const bool read = ReadFile(pipe.Get(), answer.data(), static_cast<DWORD>(answer.size()),
                               nullptr, &io) != FALSE;
    if (!Transfer(pipe.Get(), io, read, bytes, progress)) return std::nullopt;
    answer.resize(bytes);
    return horolux::service::ReadAnswer(answer).answer;
}
