#pragma once
// What the installer tests share: the packages under test, msiexec, and reading back what an
// installation left on the machine. The order of the steps is in install_main.cpp.
#include <optional>
#include <string>
#include <vector>

#include "framework/win32.h"
#include "platform/handles.h"

namespace install {

struct Package {
    std::string path;  // Windows path of the .msi
    std::string productCode, upgradeCode;
    std::string version;  // ProductVersion, "1.0.0"
};

// This build's package (HOROLUX_MSI) and a newer one of the same files (HOROLUX_NEXT_MSI), read
// once; an empty path when the variable is not set or the file is no package.
const Package& FirstPackage();
const Package& NextPackage();

// msiexec's exit code of the first installation, which the session makes before any test runs.
DWORD FirstInstallExitCode();
void SetFirstInstallExitCode(DWORD code);

// Runs msiexec with these arguments and waits for it to end. Returns its exit code, or
// kMsiexecNotRun when it did not start or end within timeoutMs. Each run writes a verbose log
// into HOROLUX_INSTALL_LOGS (or the temporary folder); LastMsiexecLog() names the last one.
inline constexpr DWORD kMsiexecNotRun = 0xFFFFFFFF;
DWORD RunMsiexec(const std::string& arguments, DWORD timeoutMs = 180000);
std::string LastMsiexecLog();
// Whether the last run's log holds text (Windows may write it in UTF-16, Wine writes ANSI).
bool LastMsiexecLogHolds(const std::string& text);

// A value of the package's Property table; empty when it has none.
std::string PackageProperty(const Package& package, const std::string& name);

bool RunningUnderWine();

// Where the package puts things: ...\Program Files\Horolux\ and the Start menu's shortcut.
std::string InstallFolder();
std::string ShortcutPath();
// The file a shortcut points at; empty when it cannot be read.
std::string ShortcutTarget(const std::string& link);

bool FileExists(const std::string& path);
bool FolderExists(const std::string& path);
bool SamePath(std::string a, std::string b);

// "major.minor.patch.tweak" of an executable's version resource; empty without one.
std::string FileVersion(const std::string& path);

// The product codes of the installed products of this upgrade code.
std::vector<std::string> InstalledRelatedProducts(const std::string& upgradeCode);

// The strings of a REG_MULTI_SZ value; nullopt when missing or of another type.
std::optional<std::vector<std::string>> ReadMultiSz(HKEY hive, const std::string& key,
                                                    const std::string& name);
void WriteMultiSz(HKEY hive, const std::string& key, const std::string& name,
                  const std::vector<std::string>& entries);

// The time service as the service control manager sees it; a null handle when it is not there.
platform::ServiceHandle OpenTimeService(DWORD access);
// Waits until the service reports state (SERVICE_RUNNING, ...); false on time-out.
bool WaitForServiceState(DWORD state, DWORD timeoutMs);
// Waits until the service control manager no longer knows the service.
bool WaitUntilServiceGone(DWORD timeoutMs);
// Waits until a client can connect to the service's pipe, or until there is no such pipe.
bool WaitUntilPipeAnswers(DWORD timeoutMs);
bool WaitUntilPipeGone(DWORD timeoutMs);

// Registers the steps that run after every TEST case, in their order (later_steps.cpp).
void RegisterLaterSteps();
// The installations with the package's public properties (silent_install_steps.cpp), registered
// by RegisterLaterSteps once nothing is installed.
void RegisterSilentInstallSteps();
// One step: a case of its own, run in the order registered, after the TEST cases.
void RegisterStep(const char* suite, const char* name, void (*body)());

}  // namespace install
