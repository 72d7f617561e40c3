#include "service/configure.h"

#include <optional>
#include <string>
#include <vector>

#include "core/service/allow_list.h"
#include "core/service/service_names.h"
#include "core/settings/config.h"
#include "core/settings/install_properties.h"
#include "platform/handles.h"
#include "platform/registry_profile.h"
#include "platform/win32.h"
#include "service/time_service.h"

namespace timeservice {

namespace {

// The installed program's source until its user chooses another: several sources.
constexpr DWORD kInstalledTimeSource = static_cast<DWORD>(horolux::TimeSource::Automatic);

DWORD OpenForWriting(const char* path, platform::RegistryKey& key) {
    return static_cast<DWORD>(
        RegCreateKeyExA(HKEY_LOCAL_MACHINE, path, 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr, key.Receive(), nullptr));
}

// ERROR_SUCCESS when the value is there, ERROR_FILE_NOT_FOUND when it is not, or why it cannot
// be told.
DWORD LookUp(HKEY key, const char* name) {
    return static_cast<DWORD>(RegQueryValueExA(key, name, nullptr, nullptr, nullptr, nullptr));
}

DWORD SetDword(HKEY key, const char* name, DWORD value) {
    return static_cast<DWORD>(RegSetValueExA(key, name, 0, REG_DWORD,
                                             reinterpret_cast<const BYTE*>(&value), sizeof value));
}

DWORD SetText(HKEY key, const char* name, const std::string& text) {
    return static_cast<DWORD>(RegSetValueExA(key, name, 0, REG_SZ,
                                             reinterpret_cast<const BYTE*>(text.c_str()),
                                             static_cast<DWORD>(text.size() + 1)));
}

// Each value given on the command line replaces the stored one; one not given stays as it is,
// so that an upgrade keeps what an earlier installation or an administrator wrote. Only the
// source itself has a default, written when there is none.
DWORD WriteMachineDefaults(const horolux::install::InstallProperties& properties) {
    namespace config = horolux::config;
    platform::RegistryKey key;
    if (const DWORD error = OpenForWriting(horolux::install::kMachineDefaultsKey, key))
        return error;
    DWORD error = ERROR_SUCCESS;
    if (properties.timeSource) {
        error = SetDword(key.Get(), config::kTimeSource.name,
                         static_cast<DWORD>(*properties.timeSource));
    } else {
        error = LookUp(key.Get(), config::kTimeSource.name);
        if (error == ERROR_FILE_NOT_FOUND)
            error = SetDword(key.Get(), config::kTimeSource.name, kInstalledTimeSource);
    }
    if (!error && properties.timeServer)
        error = SetText(key.Get(), config::kTimeServer.name, *properties.timeServer);
    if (!error && properties.timeWebUrl)
        error = SetText(key.Get(), config::kTimeWebUrl.name, *properties.timeWebUrl);
    if (!error && properties.autoSources)
        error =
            platform::WriteTextListValue(key.Get(), config::kAutoSources, *properties.autoSources);
    if (!error && properties.requireAuthenticated)
        error = SetDword(key.Get(), config::kRequireAuthenticated.name,
                         *properties.requireAuthenticated ? 1 : 0);
    return error;
}

// The given list replaces the stored one exactly; without one the default list is written when
// there is none.
DWORD WriteAllowList(const std::optional<std::vector<std::string>>& given) {
    platform::RegistryKey key;
    if (const DWORD error = OpenForWriting(horolux::service::kServiceKey, key)) return error;
    const char* name = horolux::service::kAllowedSourcesValue;
    if (given) return platform::WriteTextListValue(key.Get(), name, *given);
    const DWORD error = LookUp(key.Get(), name);
    if (error != ERROR_FILE_NOT_FOUND) return error;  // there is a list: it stays as it is
    return platform::WriteTextListValue(key.Get(), name, horolux::service::DefaultAllowList());
}

DWORD ConfigureService() {
    const platform::ServiceHandle manager(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT));
    if (!manager) return GetLastError();
    const platform::ServiceHandle service(
        OpenServiceA(manager.Get(), kServiceName, SERVICE_CHANGE_CONFIG | WRITE_DAC));
    if (!service) return GetLastError();

    // The wide call, since the record holds no text: Wine 8's ANSI one turns its own "unknown
    // level" into ERROR_INVALID_PARAMETER. A system without delayed start (Wine) starts the
    // service with the other automatic ones, which is no reason to fail the installation.
    SERVICE_DELAYED_AUTO_START_INFO delayed{TRUE};
    if (!ChangeServiceConfig2W(service.Get(), SERVICE_CONFIG_DELAYED_AUTO_START_INFO, &delayed) &&
        GetLastError() != ERROR_INVALID_LEVEL)
        return GetLastError();

    platform::LocalMemory descriptor;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorA(
            kServiceSecurity, SDDL_REVISION_1,
            reinterpret_cast<PSECURITY_DESCRIPTOR*>(descriptor.Receive()), nullptr))
        return GetLastError();
    if (!SetServiceObjectSecurity(service.Get(), DACL_SECURITY_INFORMATION, descriptor.Get()))
        return GetLastError();
    return ERROR_SUCCESS;
}

}  // namespace

int ConfigureInstalledService(const std::vector<std::string>& arguments) {
    // The package's check read the same values before anything was installed; read again here
    // so that nothing is written of a command line that does not read.
    const std::optional<horolux::install::PropertyValues> values =
        horolux::install::ReadConfigureArguments(arguments);
    if (!values) return ERROR_INVALID_PARAMETER;
    const horolux::install::InstallPropertiesRead read =
        horolux::install::ReadInstallProperties(*values);
    if (!read.error.empty()) return ERROR_INVALID_PARAMETER;

    if (const DWORD error = WriteMachineDefaults(read.properties)) return static_cast<int>(error);
    if (const DWORD error = WriteAllowList(read.properties.allowedSources))
        return static_cast<int>(error);
    return static_cast<int>(ConfigureService());
}

}  // namespace timeservice
