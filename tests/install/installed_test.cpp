// What the first installation of this build's package left on the machine. The session installs
// it before any case runs (install_main.cpp); every case here may run in any order, and cases of
// other files that need the installed, running service run beside them, before the upgrade.
#include <gtest/gtest.h>

#include "core/service/allow_list.h"
#include "core/service/service_names.h"
#include "horolux_version.h"
#include "install_session.h"
#include "platform/handles.h"
#include "service/configure.h"
#include "test_registry.h"
#include "ui/mainwnd/autostart.h"
// clang-format off
#include <msi.h>  // after <windows.h>, which framework/win32.h brings
// clang-format on

namespace {

using namespace install;

#define ASSERT_INSTALLED()                \
    ASSERT_EQ(FirstInstallExitCode(), 0u) \
        << "msiexec /i " << FirstPackage().path << " failed; log: " << LastMsiexecLog()

// The rights that the allow entries of dacl give the trustee sid (deny entries are not used).
DWORD RightsOf(PACL dacl, WELL_KNOWN_SID_TYPE trustee) {
    BYTE sid[SECURITY_MAX_SID_SIZE];
    DWORD sidSize = sizeof sid;
    if (!CreateWellKnownSid(trustee, nullptr, sid, &sidSize)) return 0;
    DWORD rights = 0;
    for (DWORD i = 0; dacl && i < dacl->AceCount; ++i) {
        ACE_HEADER* header = nullptr;
        if (!GetAce(dacl, i, reinterpret_cast<void**>(&header))) continue;
        if (header->AceType != ACCESS_ALLOWED_ACE_TYPE) continue;
        auto* ace = reinterpret_cast<ACCESS_ALLOWED_ACE*>(header);
        if (EqualSid(&ace->SidStart, sid)) rights |= ace->Mask;
    }
    return rights;
}

constexpr DWORD kStartAndLook =
    SERVICE_START | SERVICE_QUERY_STATUS | SERVICE_QUERY_CONFIG | SERVICE_INTERROGATE;
constexpr DWORD kControl = SERVICE_STOP | SERVICE_PAUSE_CONTINUE | SERVICE_CHANGE_CONFIG | DELETE |
                           WRITE_DAC | WRITE_OWNER;

// Interactive users may start the service and look at it; nobody but Local System and the
// administrators may stop, pause or reconfigure it.
void ExpectStartButNoControl(PACL dacl) {
    EXPECT_EQ(RightsOf(dacl, WinInteractiveSid) & kStartAndLook, kStartAndLook);
    for (WELL_KNOWN_SID_TYPE other : {WinInteractiveSid, WinWorldSid, WinAuthenticatedUserSid,
                                      WinBuiltinUsersSid, WinServiceSid, WinLocalServiceSid})
        EXPECT_EQ(RightsOf(dacl, other) & kControl, 0u) << "trustee " << other;
    EXPECT_EQ(RightsOf(dacl, WinBuiltinAdministratorsSid) & kControl, kControl);
}

TEST(Installed, MsiexecSucceeded) {
    ASSERT_FALSE(FirstPackage().path.empty()) << "HOROLUX_MSI names no package";
    ASSERT_INSTALLED();
    EXPECT_EQ(InstalledRelatedProducts(FirstPackage().upgradeCode),
              std::vector<std::string>{FirstPackage().productCode});
}

TEST(Installed, ForTheWholeMachineInVersionOfTheBuild) {
    ASSERT_INSTALLED();
    // Known in the machine's context (ALLUSERS=1), with the package's version.
    char version[64] = {};
    DWORD size = sizeof version;
    ASSERT_EQ(
        MsiGetProductInfoExA(FirstPackage().productCode.c_str(), nullptr, MSIINSTALLCONTEXT_MACHINE,
                             INSTALLPROPERTY_VERSIONSTRING, version, &size),
        0u);
    EXPECT_EQ(version, FirstPackage().version);
    // One version number: the package's is the executables' without the fourth part.
    const std::string fileVersion = HOROLUX_VERSION_TEXT;
    EXPECT_EQ(fileVersion.substr(0, fileVersion.rfind('.')), FirstPackage().version);
}

TEST(Installed, BothExecutablesInProgramFiles) {
    ASSERT_INSTALLED();
    EXPECT_EQ(FileVersion(InstallFolder() + "Horolux.exe"), HOROLUX_VERSION_TEXT);
    EXPECT_EQ(FileVersion(InstallFolder() + "HoroluxTime.exe"), HOROLUX_VERSION_TEXT);
}

TEST(Installed, StartMenuShortcutToTheProgram) {
    ASSERT_INSTALLED();
    ASSERT_TRUE(install::FileExists(ShortcutPath())) << ShortcutPath();
    EXPECT_TRUE(SamePath(ShortcutTarget(ShortcutPath()), InstallFolder() + "Horolux.exe"))
        << ShortcutTarget(ShortcutPath());
}

TEST(Installed, MachineAutostartValueNamesTheProgram) {
    ASSERT_INSTALLED();
    EXPECT_EQ(test::ReadSz(HKEY_LOCAL_MACHINE, ui::kRunKey, ui::kRunValueName),
              InstallFolder() + "Horolux.exe");
}

TEST(Installed, DefaultAllowList) {
    ASSERT_INSTALLED();
    EXPECT_EQ(ReadMultiSz(HKEY_LOCAL_MACHINE, horolux::service::kServiceKey,
                          horolux::service::kAllowedSourcesValue),
              horolux::service::DefaultAllowList());
}

TEST(Installed, TimeServiceConfiguration) {
    ASSERT_INSTALLED();
    const platform::ServiceHandle service = OpenTimeService(SERVICE_QUERY_CONFIG);
    ASSERT_TRUE(service) << GetLastError();
    std::vector<BYTE> buffer(8192);
    DWORD size = 0;
    auto* config = reinterpret_cast<QUERY_SERVICE_CONFIGA*>(buffer.data());
    ASSERT_TRUE(
        QueryServiceConfigA(service.Get(), config, static_cast<DWORD>(buffer.size()), &size));
    EXPECT_EQ(config->dwServiceType, static_cast<DWORD>(SERVICE_WIN32_OWN_PROCESS));
    EXPECT_EQ(config->dwStartType, static_cast<DWORD>(SERVICE_AUTO_START));
    EXPECT_EQ(config->dwErrorControl, static_cast<DWORD>(SERVICE_ERROR_NORMAL));
    EXPECT_STREQ(config->lpServiceStartName, "NT AUTHORITY\\LocalService");
    EXPECT_STREQ(config->lpDisplayName, horolux::service::kServiceDisplayName);
    EXPECT_TRUE(SamePath(config->lpBinaryPathName, InstallFolder() + "HoroluxTime.exe"))
        << config->lpBinaryPathName;

    ASSERT_TRUE(QueryServiceConfig2A(service.Get(), SERVICE_CONFIG_DESCRIPTION, buffer.data(),
                                     static_cast<DWORD>(buffer.size()), &size));
    const char* description = reinterpret_cast<SERVICE_DESCRIPTIONA*>(buffer.data())->lpDescription;
    EXPECT_TRUE(description && *description);
}

TEST(Installed, TimeServiceStartsDelayed) {
    ASSERT_INSTALLED();
    const platform::ServiceHandle service = OpenTimeService(SERVICE_QUERY_CONFIG);
    ASSERT_TRUE(service) << GetLastError();
    SERVICE_DELAYED_AUTO_START_INFO delayed{};
    DWORD size = 0;
    if (!QueryServiceConfig2W(service.Get(), SERVICE_CONFIG_DELAYED_AUTO_START_INFO,
                              reinterpret_cast<BYTE*>(&delayed), sizeof delayed, &size)) {
        const DWORD error = GetLastError();
        if (RunningUnderWine() && error == ERROR_INVALID_LEVEL)
            GTEST_SKIP() << "Wine 8 knows no delayed automatic start";
        FAIL() << "QueryServiceConfig2W: " << error;
    }
    EXPECT_TRUE(delayed.fDelayedAutostart);
}

TEST(Installed, TimeServicePermissionsAsConfigured) {
    ASSERT_INSTALLED();
    const platform::ServiceHandle service = OpenTimeService(READ_CONTROL);
    ASSERT_TRUE(service) << GetLastError();
    std::vector<BYTE> descriptor(8192);
    DWORD size = 0;
    ASSERT_TRUE(QueryServiceObjectSecurity(service.Get(), DACL_SECURITY_INFORMATION,
                                           descriptor.data(), static_cast<DWORD>(descriptor.size()),
                                           &size));
    BOOL present = FALSE, defaulted = FALSE;
    PACL dacl = nullptr;
    ASSERT_TRUE(GetSecurityDescriptorDacl(descriptor.data(), &present, &dacl, &defaulted));
    if (RunningUnderWine() && (!dacl || dacl->AceCount == 0))
        GTEST_SKIP() << "Wine 8 keeps no service permissions (SetServiceObjectSecurity is a stub)";
    ASSERT_TRUE(present && dacl);
    ExpectStartButNoControl(dacl);
}

// What the configure step hands the service control manager, read the way Windows reads it.
TEST(Installed, PermissionsTheInstallerSets) {
    platform::LocalMemory descriptor;
    ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorA(
        timeservice::kServiceSecurity, SDDL_REVISION_1,
        reinterpret_cast<PSECURITY_DESCRIPTOR*>(descriptor.Receive()), nullptr));
    BOOL present = FALSE, defaulted = FALSE;
    PACL dacl = nullptr;
    ASSERT_TRUE(GetSecurityDescriptorDacl(descriptor.Get(), &present, &dacl, &defaulted));
    ASSERT_TRUE(present && dacl);
    ExpectStartButNoControl(dacl);
    EXPECT_EQ(RightsOf(dacl, WinLocalSystemSid) & (SERVICE_START | SERVICE_STOP),
              static_cast<DWORD>(SERVICE_START | SERVICE_STOP));
}

TEST(Installed, EventLogSourceWithTheServicesMessages) {
    ASSERT_INSTALLED();
    const auto file =
        test::ReadRaw(HKEY_LOCAL_MACHINE, horolux::service::kEventSourceKey, "EventMessageFile");
    ASSERT_TRUE(file);
    EXPECT_TRUE(SamePath(file->data.c_str(), InstallFolder() + "HoroluxTime.exe")) << file->data;
    const auto types =
        test::ReadRaw(HKEY_LOCAL_MACHINE, horolux::service::kEventSourceKey, "TypesSupported");
    ASSERT_TRUE(types && types->type == REG_DWORD);
    EXPECT_EQ(*reinterpret_cast<const DWORD*>(types->data.data()),
              static_cast<DWORD>(EVENTLOG_ERROR_TYPE | EVENTLOG_WARNING_TYPE |
                                 EVENTLOG_INFORMATION_TYPE));
}

TEST(Installed, TimeServiceRuns) {
    ASSERT_INSTALLED();
    EXPECT_TRUE(WaitForServiceState(SERVICE_RUNNING, 30000));
}

TEST(Installed, TimeServicePipeAnswers) {
    ASSERT_INSTALLED();
    EXPECT_TRUE(WaitUntilPipeAnswers(30000));
}

}  // namespace
