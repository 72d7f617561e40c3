#include "ui/sync/time_service_client.h"

#include <string>

#include "core/service/service_names.h"
#include "core/sync/time_limits.h"
#include "platform/handles.h"
#include "platform/pipe_client.h"

namespace ui {

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
    platform::RegistryKey service;
    return RegOpenKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_QUERY_VALUE, service.Receive()) ==
           ERROR_SUCCESS;
}

// Whether the time service runs, starting it when it is stopped; false when there is none or it
// does not come up.
bool ServiceRunning(const std::function<void()>& progress) {
    if (!ServiceRegistered()) return false;
    const platform::ServiceHandle manager(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT));
    if (!manager) return false;
    const platform::ServiceHandle service(OpenServiceA(
        manager.Get(), horolux::service::kServiceName, SERVICE_QUERY_STATUS | SERVICE_START));
    if (!service) return false;
    bool startAsked = false;
    for (DWORD waited = 0; waited <= kClientStartTimeoutMs; waited += kClientStepMs) {
        SERVICE_STATUS_PROCESS status{};
        DWORD size = 0;
        if (!QueryServiceStatusEx(service.Get(), SC_STATUS_PROCESS_INFO,
                                  reinterpret_cast<BYTE*>(&status), sizeof status, &size))
            return false;
        if (status.dwCurrentState == SERVICE_RUNNING) return true;
        if (status.dwCurrentState == SERVICE_STOPPED) {
            if (startAsked || !StartServiceA(service.Get(), 0, nullptr)) return false;
            startAsked = true;
        }
        Sleep(kClientStepMs);
        progress();
    }
    return false;
}

// The request is written within the same limit as the answer is read.
constexpr platform::PipeTimeLimits kPipeLimits{kClientBusyTimeoutMs, kClientAnswerTimeoutMs,
                                               kClientAnswerTimeoutMs, kClientStepMs};

}  // namespace

std::optional<SyncAnswer> AskTimeService(const horolux::SyncRequest& request,
                                         const std::function<void()>& progress) {
    if (!ServiceRunning(progress)) return std::nullopt;
    const platform::PipeAnswer reply =
        platform::AskOverPipe(horolux::service::kPipeName, horolux::service::kServiceName,
                              horolux::service::EncodeRequest(request),
                              horolux::service::kMaxAnswerSize, kPipeLimits, progress);
    if (!reply.answer) return std::nullopt;
    return horolux::service::ReadAnswer(*reply.answer).answer;
}

}  // namespace ui
