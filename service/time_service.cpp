#include "service/time_service.h"

#include <cstring>
#include <string>

#include "core/service/service_protocol.h"
#include "core/sync/time_limits.h"
#include "horolux_version.h"
#include "platform/handles.h"
#include "service/pipe_server.h"
#include "service/service_log.h"
#include "service/sync_requests.h"
#include "timesync/system_time.h"

namespace timeservice {

namespace {

// A message longer than a request is handed on cut, one byte over, and refused as the wrong size.
// The buffer holds a sync's answer; a longer status answer waits in the write until it is read.
constexpr PipeLimits kPipeLimits{horolux::service::kRequestSize, horolux::service::kMaxAnswerSize,
                                 horolux::kPipeRequestTimeoutMs, horolux::kPipeAnswerTimeoutMs};

SERVICE_STATUS_HANDLE g_status = nullptr;
HANDLE g_stop = nullptr;

// Tells the service control manager the service's state. Should it not listen, the service goes
// on as it was: the manager's own time-outs decide, and the record tells why.
void Report(DWORD state, DWORD exitCode = NO_ERROR, DWORD waitHintMs = 0) {
    SERVICE_STATUS status{};
    status.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
    status.dwCurrentState = state;
    status.dwControlsAccepted =
        state == SERVICE_RUNNING ? SERVICE_ACCEPT_STOP | SERVICE_ACCEPT_SHUTDOWN : 0;
    status.dwWin32ExitCode = exitCode;
    status.dwWaitHint = waitHintMs;
    if (!SetServiceStatus(g_status, &status))
        RecordEvent(ServiceEvent::Fault,
                    {"The service manager did not take state " + std::to_string(state) +
                     " (error " + std::to_string(GetLastError()) + ")"});
}

// Stops before serving, for want of what the service cannot do without.
void StopFor(const char* why, DWORD error) {
    RecordEvent(ServiceEvent::StoppedOnError, {why, std::to_string(error)});
    Report(SERVICE_STOPPED, error);
}

DWORD WINAPI OnControl(DWORD control, DWORD, void*, void*) {
    switch (control) {
        case SERVICE_CONTROL_STOP:
        case SERVICE_CONTROL_SHUTDOWN:
            // A sync under way is finished first.
            Report(SERVICE_STOP_PENDING, NO_ERROR, horolux::kServiceStopHintMs);
            SetEvent(g_stop);
            return NO_ERROR;
        case SERVICE_CONTROL_INTERROGATE:
            return NO_ERROR;
        default:
            return ERROR_CALL_NOT_IMPLEMENTED;
    }
}

void WINAPI ServiceMain(DWORD, char**) {
    g_status = RegisterServiceCtrlHandlerExA(kServiceName, OnControl, nullptr);
    if (!g_status) return;
    Report(SERVICE_START_PENDING, NO_ERROR, horolux::kServiceStartHintMs);
    const platform::KernelHandle stop(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    g_stop = stop.Get();
    if (!stop) return StopFor("it could not make its stop event", GetLastError());
    // Without the privilege every sync would end refused: better not to run at all.
    if (!EnableSystemTimePrivilege())
        return StopFor("it does not hold the right to set the clock", ERROR_PRIVILEGE_NOT_HELD);
    const DWORD error =
        Serve(horolux::service::kPipeName, stop.Get(), [] { Report(SERVICE_RUNNING); });
    Report(SERVICE_STOPPED, error);
}

}  // namespace

DWORD Serve(const std::string& pipeName, HANDLE stop, const std::function<void()>& running) {
    SYSTEMTIME now{};
    GetSystemTime(&now);
    Requests requests(timesync::ToPortableTime(now));
    PipeServer server(
        pipeName,
        [&requests](std::span<const std::uint8_t> request, const std::string& client) {
            return requests.Answer(request, client);
        },
        kPipeLimits);
    // The pipe exists before the service says it runs, so a client that waited for that finds it.
    if (const DWORD error = server.Open()) {
        RecordEvent(ServiceEvent::StoppedOnError,
                    {"its pipe " + pipeName + " could not be made", std::to_string(error)});
        return error;
    }
    running();
    RecordEvent(ServiceEvent::Started, {HOROLUX_VERSION_TEXT});
    requests.ReadAllowList();  // a fault of the list is recorded before any request comes
    server.Run(stop);
    RecordEvent(ServiceEvent::Stopped, {});
    return 0;
}

bool EnableSystemTimePrivilege() {
    platform::KernelHandle token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY,
                          token.Receive()))
        return false;
    TOKEN_PRIVILEGES privileges{};
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    if (!LookupPrivilegeValueA(nullptr, SE_SYSTEMTIME_NAME, &privileges.Privileges[0].Luid))
        return false;
    // Succeeds also when the account lacks the privilege; only the last error tells.
    return AdjustTokenPrivileges(token.Get(), FALSE, &privileges, 0, nullptr, nullptr) &&
           GetLastError() == ERROR_SUCCESS;
}

int RunService() {
    char name[sizeof kServiceName];
    std::memcpy(name, kServiceName, sizeof name);  // the table wants a writable name
    const SERVICE_TABLE_ENTRYA table[] = {{name, ServiceMain}, {nullptr, nullptr}};
    return StartServiceCtrlDispatcherA(table) ? 0 : static_cast<int>(GetLastError());
}

}  // namespace timeservice
