#include "service/configure.h"

#include <string>
#include <vector>

#include "core/service/allow_list.h"
#include "core/service/service_names.h"
#include "platform/handles.h"
#include "platform/win32.h"
#include "service/time_service.h"

namespace service {

namespace {

DWORD WriteDefaultAllowList() {
    fw::RegistryKey key;
    LONG error = RegCreateKeyExA(HKEY_LOCAL_MACHINE, horolux::service::kServiceKey, 0, nullptr,
                                 REG_OPTION_NON_VOLATILE, KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr,
                                 key.Receive(), nullptr);
    if (error != ERROR_SUCCESS) return error;
    error = RegQueryValueExA(key.Get(), horolux::service::kAllowedSourcesValue, nullptr, nullptr,
                             nullptr, nullptr);
    if (error != ERROR_FILE_NOT_FOUND) return error;  // there is a list: it stays as it is

    std::string block;  // each entry ends in a null, and the list in one more
    for (const std::string& entry : horolux::service::DefaultAllowList()) {
        block += entry;
        block += '\0';
    }
    block += '\0';
    return RegSetValueExA(key.Get(), horolux::service::kAllowedSourcesValue, 0, REG_MULTI_SZ,
                          reinterpret_cast<const BYTE*>(block.data()),
                          static_cast<DWORD>(block.size()));
}

DWORD ConfigureService() {
    const fw::ServiceHandle manager(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT));
    if (!manager) return GetLastError();
    const fw::ServiceHandle service(
        OpenServiceA(manager.Get(), kServiceName, SERVICE_CHANGE_CONFIG | WRITE_DAC));
    if (!service) return GetLastError();

    // The wide call, since the record holds no text: Wine 8's ANSI one turns its own "unknown
    // level" into ERROR_INVALID_PARAMETER. A system without delayed start (Wine) starts the
    // service with the other automatic ones, which is no reason to fail the installation.
    SERVICE_DELAYED_AUTO_START_INFO delayed{TRUE};
    if (!ChangeServiceConfig2W(service.Get(), SERVICE_CONFIG_DELAYED_AUTO_START_INFO, &delayed) &&
        GetLastError() != ERROR_INVALID_LEVEL)
        return GetLastError();

    fw::LocalMemory descriptor;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorA(
            kServiceSecurity, SDDL_REVISION_1,
            reinterpret_cast<PSECURITY_DESCRIPTOR*>(descriptor.Receive()), nullptr))
        return GetLastError();
    if (!SetServiceObjectSecurity(service.Get(), DACL_SECURITY_INFORMATION, descriptor.Get()))
        return GetLastError();
    return ERROR_SUCCESS;
}

}  // namespace

int ConfigureInstalledService() {
    if (const DWORD error = WriteDefaultAllowList()) return static_cast<int>(error);
    return static_cast<int>(ConfigureService());
}

}  // namespace service
