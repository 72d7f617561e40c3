// The check of the package's public properties (core/settings/install_properties.h), an
// immediate custom action before InstallInitialize, so that nothing is changed yet when it
// refuses: a value the program could not use ends the installation with a message naming it;
// the values that read go on, as arguments, to the deferred HoroluxTime.exe --configure, which
// gets nothing of the installation but its command line.
#include <string>
#include <vector>

#include "core/settings/install_properties.h"
#include "platform/msi.h"

namespace {

using namespace horolux::install;

std::string Property(MSIHANDLE install, const char* name) {
    std::vector<char> value(256);
    DWORD size = static_cast<DWORD>(value.size());
    UINT result = MsiGetPropertyA(install, name, value.data(), &size);
    if (result == ERROR_MORE_DATA) {
        value.resize(size + 1);
        size = static_cast<DWORD>(value.size());
        result = MsiGetPropertyA(install, name, value.data(), &size);
    }
    return result == ERROR_SUCCESS ? std::string(value.data(), size) : std::string();
}

// An error message box when the installation has a user interface, a line of its log always.
void ShowError(MSIHANDLE install, const std::string& text) {
    const platform::MsiHandle record(MsiCreateRecord(0));
    MsiRecordSetStringA(record.Get(), 0, AsFormattedText(text).c_str());
    MsiProcessMessage(install, INSTALLMESSAGE(INSTALLMESSAGE_ERROR | MB_OK | MB_ICONERROR),
                      record.Get());
}

}  // namespace

extern "C" __declspec(dllexport) UINT __stdcall CheckInstallProperties(MSIHANDLE install) {
    PropertyValues values;
    for (const char* name : kPropertyNames) values[name] = Property(install, name);
    const InstallPropertiesRead read = ReadInstallProperties(values);
    if (!read.error.empty()) {
        ShowError(install, read.error);
        return ERROR_INSTALL_FAILURE;
    }
    return MsiSetPropertyA(install, kConfigureArgumentsProperty,
                           ConfigureCommandLine(values).c_str()) == ERROR_SUCCESS
               ? ERROR_SUCCESS
               : ERROR_INSTALL_FAILURE;
}
