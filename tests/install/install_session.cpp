#include "install_session.h"

#include <cstdlib>

#include "core/service/service_names.h"
#include "driver.h"
#include "platform/handles.h"
#include "platform/msi.h"
#include "test_registry.h"
// clang-format off
#include <shlobj.h>  // after <windows.h>, which framework/win32.h brings
// clang-format on

namespace install {

namespace {

using platform::MsiHandle;

// The build names files with Unix paths; Wine maps / to drive Z:.
std::string WindowsPath(std::string path) {
    if (path.empty() || path[0] != '/') return path;
    for (char& c : path)
        if (c == '/') c = '\\';
    return "Z:" + path;
}

std::string EnvironmentPath(const char* name) {
    const char* value = std::getenv(name);
    return value ? WindowsPath(value) : std::string();
}

std::string DatabaseProperty(MSIHANDLE database, const std::string& name) {
    MsiHandle view;
    const std::string query = "SELECT `Value` FROM `Property` WHERE `Property`='" + name + "'";
    if (MsiDatabaseOpenViewA(database, query.c_str(), view.Receive()) != ERROR_SUCCESS ||
        MsiViewExecute(view.Get(), 0) != ERROR_SUCCESS)
        return {};
    MsiHandle record;
    if (MsiViewFetch(view.Get(), record.Receive()) != ERROR_SUCCESS) return {};
    char value[256] = {};
    DWORD size = sizeof value;
    if (MsiRecordGetStringA(record.Get(), 1, value, &size) != ERROR_SUCCESS) return {};
    return value;
}

Package ReadPackage(const std::string& path) {
    Package package;
    MsiHandle database;
    if (path.empty() ||
        MsiOpenDatabaseA(path.c_str(), MSIDBOPEN_READONLY, database.Receive()) != ERROR_SUCCESS)
        return package;
    package.path = path;
    package.productCode = DatabaseProperty(database.Get(), "ProductCode");
    package.upgradeCode = DatabaseProperty(database.Get(), "UpgradeCode");
    package.version = DatabaseProperty(database.Get(), "ProductVersion");
    return package;
}

std::string FolderPath(int csidl) {
    char path[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathA(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path))) return {};
    return std::string(path) + "\\";
}

DWORD g_firstInstallExitCode = kMsiexecNotRun;
std::string g_lastLog;

}  // namespace

platform::ServiceHandle OpenTimeService(DWORD access) {
    platform::ServiceHandle service;
    DWORD error = ERROR_SUCCESS;
    {
        const platform::ServiceHandle manager(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT));
        if (!manager) return {};
        service.Reset(OpenServiceA(manager.Get(), horolux::service::kServiceName, access));
        error = GetLastError();
    }
    SetLastError(error);  // closing the manager must not hide why the service did not open
    return service;
}

const Package& FirstPackage() {
    static const Package package = ReadPackage(EnvironmentPath("HOROLUX_MSI"));
    return package;
}

const Package& NextPackage() {
    static const Package package = ReadPackage(EnvironmentPath("HOROLUX_NEXT_MSI"));
    return package;
}

DWORD FirstInstallExitCode() {
    return g_firstInstallExitCode;
}

void SetFirstInstallExitCode(DWORD code) {
    g_firstInstallExitCode = code;
}

DWORD RunMsiexec(const std::string& arguments, DWORD timeoutMs) {
    static int runs = 0;
    std::string logs = EnvironmentPath("HOROLUX_INSTALL_LOGS");
    if (logs.empty()) {
        char temp[MAX_PATH] = {};
        GetTempPathA(MAX_PATH, temp);
        logs = temp;
    }
    if (logs.back() != '\\') logs += '\\';
    CreateDirectoryA(logs.c_str(), nullptr);
    g_lastLog = logs + "msiexec-" + std::to_string(++runs) + ".log";

    char system[MAX_PATH] = {};
    GetSystemDirectoryA(system, MAX_PATH);
    // Appended piece by piece: GCC 12 warns wrongly about "text" + std::string(...).
    std::string command = "\"";
    command += system;
    command += "\\msiexec.exe\" " + arguments + " /l*v \"" + g_lastLog + "\"";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &info))
        return kMsiexecNotRun;
    const platform::KernelHandle process(info.hProcess), thread(info.hThread);
    if (WaitForSingleObject(process.Get(), timeoutMs) != WAIT_OBJECT_0) {
        TerminateProcess(process.Get(), 1);
        WaitForSingleObject(process.Get(), 5000);
        return kMsiexecNotRun;
    }
    DWORD code = kMsiexecNotRun;
    GetExitCodeProcess(process.Get(), &code);
    return code;
}

std::string LastMsiexecLog() {
    return g_lastLog;
}

bool LastMsiexecLogHolds(const std::string& text) {
    const platform::FileHandle file(CreateFileA(g_lastLog.c_str(), GENERIC_READ, FILE_SHARE_READ,
                                                nullptr, OPEN_EXISTING, 0, nullptr));
    if (!file) return false;
    std::string log;
    char buffer[65536];
    DWORD read = 0;
    while (ReadFile(file.Get(), buffer, sizeof buffer, &read, nullptr) && read > 0)
        log.append(buffer, read);
    std::string wide;
    for (const char c : text) {
        wide += c;
        wide += '\0';
    }
    return log.find(text) != std::string::npos || log.find(wide) != std::string::npos;
}

std::string PackageProperty(const Package& package, const std::string& name) {
    MsiHandle database;
    if (package.path.empty() || MsiOpenDatabaseA(package.path.c_str(), MSIDBOPEN_READONLY,
                                                 database.Receive()) != ERROR_SUCCESS)
        return {};
    return DatabaseProperty(database.Get(), name);
}

bool RunningUnderWine() {
    return GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version") != nullptr;
}

std::string InstallFolder() {
    return FolderPath(CSIDL_PROGRAM_FILES) + "Horolux\\";
}

std::string ShortcutPath() {
    // A per-machine package puts it into the Programs folder of all users. Wine 8's msi takes the
    // installing user's for ProgramMenuFolder whatever ALLUSERS says.
    return FolderPath(RunningUnderWine() ? CSIDL_PROGRAMS : CSIDL_COMMON_PROGRAMS) + "Horolux.lnk";
}

std::string ShortcutTarget(const std::string& link) {
    IShellLinkA* shellLink = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                reinterpret_cast<void**>(&shellLink))))
        return {};
    std::string target;
    IPersistFile* file = nullptr;
    if (SUCCEEDED(shellLink->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
        const std::wstring wide(link.begin(), link.end());
        char path[MAX_PATH] = {};
        if (SUCCEEDED(file->Load(wide.c_str(), STGM_READ)) &&
            SUCCEEDED(shellLink->GetPath(path, MAX_PATH, nullptr, SLGP_RAWPATH)))
            target = path;
        file->Release();
    }
    shellLink->Release();
    return target;
}

bool FileExists(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool FolderExists(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool SamePath(std::string a, std::string b) {
    // The service control manager may keep a path with spaces in quotes.
    for (std::string* s : {&a, &b})
        if (s->size() >= 2 && s->front() == '"' && s->back() == '"')
            *s = s->substr(1, s->size() - 2);
    return _stricmp(a.c_str(), b.c_str()) == 0;
}

std::string FileVersion(const std::string& path) {
    const DWORD size = GetFileVersionInfoSizeA(path.c_str(), nullptr);
    if (size == 0) return {};
    std::vector<char> data(size);
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    if (!GetFileVersionInfoA(path.c_str(), 0, size, data.data()) ||
        !VerQueryValueA(data.data(), "\\", reinterpret_cast<void**>(&fixed), &length) || !fixed)
        return {};
    return std::to_string(HIWORD(fixed->dwFileVersionMS)) + "." +
           std::to_string(LOWORD(fixed->dwFileVersionMS)) + "." +
           std::to_string(HIWORD(fixed->dwFileVersionLS)) + "." +
           std::to_string(LOWORD(fixed->dwFileVersionLS));
}

std::vector<std::string> InstalledRelatedProducts(const std::string& upgradeCode) {
    std::vector<std::string> products;
    char product[39] = {};
    for (DWORD i = 0; MsiEnumRelatedProductsA(upgradeCode.c_str(), 0, i, product) == ERROR_SUCCESS;
         ++i)
        products.emplace_back(product);
    return products;
}

std::optional<std::vector<std::string>> ReadMultiSz(HKEY hive, const std::string& key,
                                                    const std::string& name) {
    const std::optional<test::RawValue> raw = test::ReadRaw(hive, key, name);
    if (!raw || raw->type != REG_MULTI_SZ) return std::nullopt;
    std::vector<std::string> entries;
    std::string entry;
    for (char c : raw->data) {
        if (c != '\0') {
            entry += c;
        } else if (!entry.empty()) {
            entries.push_back(entry);
            entry.clear();
        }
    }
    if (!entry.empty()) entries.push_back(entry);
    return entries;
}

void WriteMultiSz(HKEY hive, const std::string& key, const std::string& name,
                  const std::vector<std::string>& entries) {
    std::string block;
    for (const std::string& entry : entries) block += entry + '\0';
    block += '\0';
    test::SetRaw(hive, key, name, REG_MULTI_SZ, block.data(), static_cast<DWORD>(block.size()));
}

bool WaitForServiceState(DWORD state, DWORD timeoutMs) {
    const platform::ServiceHandle service = OpenTimeService(SERVICE_QUERY_STATUS);
    if (!service) return false;
    return driver::WaitUntil(
        [&] {
            SERVICE_STATUS_PROCESS status{};
            DWORD size = 0;
            return QueryServiceStatusEx(service.Get(), SC_STATUS_PROCESS_INFO,
                                        reinterpret_cast<BYTE*>(&status), sizeof status, &size) &&
                   status.dwCurrentState == state;
        },
        timeoutMs);
}

bool WaitUntilServiceGone(DWORD timeoutMs) {
    return driver::WaitUntil(
        [] {
            if (OpenTimeService(SERVICE_QUERY_STATUS)) return false;
            return GetLastError() == ERROR_SERVICE_DOES_NOT_EXIST;
        },
        timeoutMs);
}

namespace {
platform::FileHandle ConnectToPipe() {
    return platform::FileHandle(CreateFileA(horolux::service::kPipeName,
                                            GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                            0, nullptr));
}
}  // namespace

bool WaitUntilPipeAnswers(DWORD timeoutMs) {
    return driver::WaitUntil([] { return static_cast<bool>(ConnectToPipe()); }, timeoutMs);
}

bool WaitUntilPipeGone(DWORD timeoutMs) {
    return driver::WaitUntil(
        [] { return !ConnectToPipe() && GetLastError() == ERROR_FILE_NOT_FOUND; }, timeoutMs);
}

}  // namespace install
