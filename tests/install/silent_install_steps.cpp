// The package's public properties on a deployment command line (core/settings/
// install_properties.h). Once the uninstall has left nothing installed: a value the program could
// not use fails the installation with a message naming it and nothing written; an installation
// with every property writes them as asked and no autostart value; an upgrade that gives only
// some of them again keeps the others. The last uninstall (later_steps.cpp) removes it all.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "core/service/service_names.h"
#include "core/settings/config.h"
#include "core/settings/install_properties.h"
#include "install_session.h"
#include "test_registry.h"
#include "ui/app/autostart.h"

namespace install {

namespace {

using horolux::install::kMachineDefaultsKey;
namespace config = horolux::config;

const std::vector<std::string> kAutoSources = {"server:127.0.0.1:12300",
                                               "web:http://127.0.0.1:8080/clock"};
const std::vector<std::string> kAllowedSources = {"page", "server:127.0.0.1:12300"};
// Blanks around the entries, as a hand-written command line has them.
const std::string kProperties =
    " TIMESOURCE=server TIMESERVER=127.0.0.1:12300 TIMEWEBURL=http://127.0.0.1:8080/clock"
    " AUTOSOURCES=\"server:127.0.0.1:12300; web:http://127.0.0.1:8080/clock\""
    " ALLOWEDSOURCES=\"page; server:127.0.0.1:12300\" AUTOSTART=0";

DWORD g_installExitCode = kMsiexecNotRun;
DWORD g_upgradeExitCode = kMsiexecNotRun;

std::string Install(const Package& package, const std::string& properties) {
    return "/i \"" + package.path + "\" /qn" + properties;
}

#define ASSERT_MSIEXEC(code) ASSERT_EQ(code, 0u) << "log: " << LastMsiexecLog()

std::optional<DWORD> ReadDword(HKEY hive, const std::string& key, const std::string& name) {
    const std::optional<test::RawValue> raw = test::ReadRaw(hive, key, name);
    if (!raw || raw->type != REG_DWORD || raw->data.size() != sizeof(DWORD)) return std::nullopt;
    return *reinterpret_cast<const DWORD*>(raw->data.data());
}

// A refused installation leaves nothing behind: no product, files, service, settings or
// autostart value.
void ExpectNothingInstalled() {
    EXPECT_TRUE(InstalledRelatedProducts(FirstPackage().upgradeCode).empty());
    EXPECT_FALSE(FolderExists(InstallFolder())) << InstallFolder();
    EXPECT_FALSE(test::KeyExists(HKEY_LOCAL_MACHINE, "Software\\Horolux"));
    EXPECT_EQ(test::ReadSz(HKEY_LOCAL_MACHINE, kRunKey, kRunValueName), std::nullopt);
    const fw::ServiceHandle service = OpenTimeService(SERVICE_QUERY_STATUS);
    const DWORD error = GetLastError();
    EXPECT_FALSE(service);
    EXPECT_EQ(error, static_cast<DWORD>(ERROR_SERVICE_DOES_NOT_EXIST));
}

void RefusesAnUnknownTimeSource() {
    ASSERT_TRUE(InstalledRelatedProducts(FirstPackage().upgradeCode).empty())
        << "the uninstall before left the product installed";
    // The other values would read: none of them may be written either.
    EXPECT_EQ(RunMsiexec(Install(FirstPackage(),
                                 " TIMESOURCE=sundial TIMESERVER=127.0.0.1:12300"
                                 " ALLOWEDSOURCES=page AUTOSTART=1")),
              static_cast<DWORD>(ERROR_INSTALL_FAILURE));
    EXPECT_TRUE(
        LastMsiexecLogHolds("TIMESOURCE must be page, server, web or auto, not \"sundial\"."))
        << LastMsiexecLog();
    ExpectNothingInstalled();
}

void RefusesAnAllowListEntryItCannotRead() {
    EXPECT_EQ(RunMsiexec(Install(FirstPackage(), " ALLOWEDSOURCES=\"page;server:[::1]:x\"")),
              static_cast<DWORD>(ERROR_INSTALL_FAILURE));
    EXPECT_TRUE(
        LastMsiexecLogHolds("ALLOWEDSOURCES entries must be page, server:HOST[:PORT] or "
                            "web:URL, not \"server:[::1]:x\"."))
        << LastMsiexecLog();
    ExpectNothingInstalled();
}

void InstallsWithEveryProperty() {
    g_installExitCode = RunMsiexec(Install(FirstPackage(), kProperties));
    ASSERT_MSIEXEC(g_installExitCode);
    EXPECT_EQ(InstalledRelatedProducts(FirstPackage().upgradeCode),
              std::vector<std::string>{FirstPackage().productCode});
    EXPECT_TRUE(WaitForServiceState(SERVICE_RUNNING, 30000));
}

void WritesTheDefaultsAndTheAllowListAsAsked() {
    ASSERT_MSIEXEC(g_installExitCode);
    EXPECT_EQ(ReadDword(HKEY_LOCAL_MACHINE, kMachineDefaultsKey, config::kTimeSource.name), 1u)
        << "server";
    EXPECT_EQ(test::ReadSz(HKEY_LOCAL_MACHINE, kMachineDefaultsKey, config::kTimeServer.name),
              "127.0.0.1:12300");
    EXPECT_EQ(test::ReadSz(HKEY_LOCAL_MACHINE, kMachineDefaultsKey, config::kTimeWebUrl.name),
              "http://127.0.0.1:8080/clock");
    EXPECT_EQ(ReadMultiSz(HKEY_LOCAL_MACHINE, kMachineDefaultsKey, config::kAutoSources),
              kAutoSources);
    EXPECT_EQ(ReadMultiSz(HKEY_LOCAL_MACHINE, horolux::service::kServiceKey,
                          horolux::service::kAllowedSourcesValue),
              kAllowedSources)
        << "the given list, not the default one";
}

void WritesNoAutostartValue() {
    ASSERT_MSIEXEC(g_installExitCode);
    EXPECT_TRUE(FileExists(InstallFolder() + "Horolux.exe"));
    EXPECT_EQ(test::ReadSz(HKEY_LOCAL_MACHINE, kRunKey, kRunValueName), std::nullopt);
}

// A deployment tool repeats the command line it has; here only two of the properties.
void AnUpgradeKeepsWhatItIsNotGivenAgain() {
    ASSERT_MSIEXEC(g_installExitCode);
    g_upgradeExitCode = RunMsiexec(Install(NextPackage(), " TIMESOURCE=web AUTOSTART=0"));
    ASSERT_MSIEXEC(g_upgradeExitCode);
    EXPECT_EQ(InstalledRelatedProducts(NextPackage().upgradeCode),
              std::vector<std::string>{NextPackage().productCode});

    EXPECT_EQ(ReadDword(HKEY_LOCAL_MACHINE, kMachineDefaultsKey, config::kTimeSource.name), 2u)
        << "given again: web";
    EXPECT_EQ(test::ReadSz(HKEY_LOCAL_MACHINE, kMachineDefaultsKey, config::kTimeServer.name),
              "127.0.0.1:12300");
    EXPECT_EQ(test::ReadSz(HKEY_LOCAL_MACHINE, kMachineDefaultsKey, config::kTimeWebUrl.name),
              "http://127.0.0.1:8080/clock");
    EXPECT_EQ(ReadMultiSz(HKEY_LOCAL_MACHINE, kMachineDefaultsKey, config::kAutoSources),
              kAutoSources);
    EXPECT_EQ(ReadMultiSz(HKEY_LOCAL_MACHINE, horolux::service::kServiceKey,
                          horolux::service::kAllowedSourcesValue),
              kAllowedSources);
    EXPECT_EQ(test::ReadSz(HKEY_LOCAL_MACHINE, kRunKey, kRunValueName), std::nullopt);
    EXPECT_TRUE(WaitForServiceState(SERVICE_RUNNING, 30000));
}

}  // namespace

// Without properties the first installation wrote the source's default and nothing else.
TEST(Installed, MachineDefaultsHoldTheSourceAlone) {
    ASSERT_EQ(FirstInstallExitCode(), 0u) << "log: " << LastMsiexecLog();
    EXPECT_EQ(ReadDword(HKEY_LOCAL_MACHINE, kMachineDefaultsKey, config::kTimeSource.name), 3u)
        << "several sources";
    EXPECT_FALSE(test::ReadRaw(HKEY_LOCAL_MACHINE, kMachineDefaultsKey, config::kTimeServer.name));
    EXPECT_FALSE(test::ReadRaw(HKEY_LOCAL_MACHINE, kMachineDefaultsKey, config::kTimeWebUrl.name));
}

// Windows passes a managed installation only the properties its package lists as secure.
TEST(Package, PublicPropertiesAreSecure) {
    // Appended piece by piece: GCC 12 warns wrongly about ";" + std::string(...).
    std::string secure = ";";
    secure += PackageProperty(FirstPackage(), "SecureCustomProperties");
    secure += ';';
    for (const char* name : horolux::install::kPropertyNames) {
        std::string entry = ";";
        entry += name;
        entry += ';';
        EXPECT_NE(secure.find(entry), std::string::npos) << name;
    }
}

void RegisterSilentInstallSteps() {
    RegisterStep("SilentInstall", "RefusesAnUnknownTimeSource", RefusesAnUnknownTimeSource);
    RegisterStep("SilentInstall", "RefusesAnAllowListEntryItCannotRead",
                 RefusesAnAllowListEntryItCannotRead);
    RegisterStep("SilentInstall", "InstallsWithEveryProperty", InstallsWithEveryProperty);
    RegisterStep("SilentInstall", "WritesTheDefaultsAndTheAllowListAsAsked",
                 WritesTheDefaultsAndTheAllowListAsAsked);
    RegisterStep("SilentInstall", "WritesNoAutostartValue", WritesNoAutostartValue);
    RegisterStep("SilentInstall", "AnUpgradeKeepsWhatItIsNotGivenAgain",
                 AnUpgradeKeepsWhatItIsNotGivenAgain);
}

}  // namespace install
