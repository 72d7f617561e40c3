// The package's public properties on a deployment command line (core/settings/
// install_properties.h). Once the uninstall has left nothing installed: a value the program could
// not use fails the installation with a message naming it and nothing written; an installation
// with every property writes them as asked and no autostart value, and its allow-list, a policy
// value set by hand, one sync and the status command agree; an upgrade that gives only some of
// them again keeps the others. The last uninstall (later_steps.cpp) removes it all.
#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "core/service/service_names.h"
#include "core/service/status_report.h"
#include "core/settings/config.h"
#include "core/settings/install_properties.h"
#include "core/settings/policy.h"
#include "install_session.h"
#include "test_registry.h"
#include "tests/support/child_process.h"
#include "tests/support/json_reader.h"
#include "tests/support/sync_request_of.h"
#include "time_server_client.h"
#include "ui/mainwnd/autostart.h"
#include "ui/sync/time_service_client.h"

namespace install {

namespace {

using horolux::install::kMachineDefaultsKey;
namespace config = horolux::config;

// The loopback SNTP server that script/test starts, so that the service may sync from it.
std::string GivenServer() {
    const std::string port = test::EnvText("HOROLUX_SNTPSERVER_PORT");
    return "127.0.0.1:" + (port.empty() ? std::string("12300") : port);
}
std::string GivenWebUrl() {
    return "http://" + GivenServer() + "/clock";
}
std::vector<std::string> GivenAutoSources() {
    return {"server:" + GivenServer(), "web:" + GivenWebUrl()};
}
std::vector<std::string> GivenAllowedSources() {
    return {"page", "server:" + GivenServer()};
}
// Blanks around the entries, as a hand-written command line has them.
std::string EveryProperty() {
    return " TIMESOURCE=server TIMESERVER=" + GivenServer() + " TIMEWEBURL=" + GivenWebUrl() +
           " AUTOSOURCES=\"server:" + GivenServer() + "; web:" + GivenWebUrl() + "\"" +
           " ALLOWEDSOURCES=\"page; server:" + GivenServer() + "\" AUTOSTART=0" +
           " REQUIREAUTHENTICATED=1";
}

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
    EXPECT_EQ(test::ReadSz(HKEY_LOCAL_MACHINE, ui::kRunKey, ui::kRunValueName), std::nullopt);
    const platform::ServiceHandle service = OpenTimeService(SERVICE_QUERY_STATUS);
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
        LastMsiexecLogHolds("ALLOWEDSOURCES entries must be page, server:HOST[:PORT], "
                            "nts:HOST[:PORT] or web:URL, not \"server:[::1]:x\"."))
        << LastMsiexecLog();
    ExpectNothingInstalled();
}

void InstallsWithEveryProperty() {
    g_installExitCode = RunMsiexec(Install(FirstPackage(), EveryProperty()));
    ASSERT_MSIEXEC(g_installExitCode);
    EXPECT_EQ(InstalledRelatedProducts(FirstPackage().upgradeCode),
              std::vector<std::string>{FirstPackage().productCode});
    EXPECT_TRUE(WaitForServiceState(SERVICE_RUNNING, 30000));
}

// The server, web clock, Automatic sources and allow-list the first installation was given.
void ExpectTheGivenAddressesAndLists() {
    EXPECT_EQ(test::ReadSz(HKEY_LOCAL_MACHINE, kMachineDefaultsKey, config::kTimeServer.name),
              GivenServer());
    EXPECT_EQ(test::ReadSz(HKEY_LOCAL_MACHINE, kMachineDefaultsKey, config::kTimeWebUrl.name),
              GivenWebUrl());
    EXPECT_EQ(ReadMultiSz(HKEY_LOCAL_MACHINE, kMachineDefaultsKey, config::kAutoSources),
              GivenAutoSources());
    EXPECT_EQ(ReadMultiSz(HKEY_LOCAL_MACHINE, horolux::service::kServiceKey,
                          horolux::service::kAllowedSourcesValue),
              GivenAllowedSources())
        << "the given list, not the default one";
}

void WritesTheDefaultsAndTheAllowListAsAsked() {
    ASSERT_MSIEXEC(g_installExitCode);
    EXPECT_EQ(ReadDword(HKEY_LOCAL_MACHINE, kMachineDefaultsKey, config::kTimeSource.name), 1u)
        << "server";
    EXPECT_EQ(
        ReadDword(HKEY_LOCAL_MACHINE, kMachineDefaultsKey, config::kRequireAuthenticated.name), 1u);
    ExpectTheGivenAddressesAndLists();
}

void WritesNoAutostartValue() {
    ASSERT_MSIEXEC(g_installExitCode);
    EXPECT_TRUE(FileExists(InstallFolder() + "Horolux.exe"));
    EXPECT_EQ(test::ReadSz(HKEY_LOCAL_MACHINE, ui::kRunKey, ui::kRunValueName), std::nullopt);
}

// The service syncs from the list the command line gave, beside a policy value set by hand, and
// its status says so.
void ThePropertiesAPolicyOneSyncAndTheStatusAgree() {
    ASSERT_MSIEXEC(g_installExitCode);
    ASSERT_TRUE(WaitForServiceState(SERVICE_RUNNING, 30000));
    const std::string port = test::EnvText("HOROLUX_SNTPSERVER_PORT");
    ASSERT_FALSE(port.empty()) << "no loopback SNTP server (script/test starts one)";
    ASSERT_EQ(test::ServerGet(std::atoi(port.c_str()), "/control?mode=now&offset=0"), "ok\n");
    const DWORD web = 2;
    test::SetRaw(HKEY_LOCAL_MACHINE, horolux::policy::kKey, config::kTimeSource.name, REG_DWORD,
                 &web, sizeof web);

    const auto answer =
        ui::AskTimeService(test::RequestOf(horolux::TimeSource::TimeServer, GivenServer()), [] {});
    const test::ChildRun run =
        test::RunToEnd(InstallFolder() + "HoroluxTime.exe", "--status --json");
    test::DeleteTree(HKEY_LOCAL_MACHINE, horolux::policy::kRoot);
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->status, horolux::SyncStatus::Ok) << answer->failure;

    EXPECT_EQ(run.exitCode, static_cast<DWORD>(horolux::service::kStatusSynced)) << run.output;
    const std::optional<test::Json> json = test::ParseJson(run.output);
    ASSERT_TRUE(json) << run.output;
    const test::Json& status = *json;
    EXPECT_FALSE(status["allowList"]["fromPolicy"].boolean);
    std::vector<std::string> entries;
    for (const test::Json& entry : status["allowList"]["entries"].items)
        entries.push_back(entry.text);
    EXPECT_EQ(entries, GivenAllowedSources()) << "the list ALLOWEDSOURCES gave";
    EXPECT_EQ(status["policy"][config::kTimeSource.name].number, 2) << run.output;
    EXPECT_EQ(status["lastSync"]["source"].text, GivenServer());
    EXPECT_EQ(status["lastSync"]["outcome"].text, "ok");
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
    ExpectTheGivenAddressesAndLists();
    EXPECT_EQ(test::ReadSz(HKEY_LOCAL_MACHINE, ui::kRunKey, ui::kRunValueName), std::nullopt);
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
    EXPECT_FALSE(
        test::ReadRaw(HKEY_LOCAL_MACHINE, kMachineDefaultsKey, config::kRequireAuthenticated.name));
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
    RegisterStep("SilentInstall", "ThePropertiesAPolicyOneSyncAndTheStatusAgree",
                 ThePropertiesAPolicyOneSyncAndTheStatusAgree);
    RegisterStep("SilentInstall", "AnUpgradeKeepsWhatItIsNotGivenAgain",
                 AnUpgradeKeepsWhatItIsNotGivenAgain);
}

}  // namespace install
