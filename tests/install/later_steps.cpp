// The steps after every TEST case: a newer package replaces the installed one in place, the
// uninstall removes it and keeps the user's settings, the silent installation with the
// package's public properties (silent_install_steps.cpp), and an uninstall with
// REMOVEUSERSETTINGS=1 removes the user's settings too. Each step's first case acts, the next
// ones look at what it left.
#include <gtest/gtest.h>

#include <functional>

#include "core/service/service_names.h"
#include "install_session.h"
#include "test_registry.h"
#include "ui/mainwnd/autostart.h"
// clang-format off
#include <msi.h>  // after <windows.h>, which framework/win32.h brings
// clang-format on

namespace install {

namespace {

constexpr char kUserSettingsKey[] = "Software\\Horolux";
constexpr char kConfigKey[] = "Software\\Horolux\\Horolux\\Config";
constexpr char kMachineSettingsKey[] = "Software\\Horolux";

// An administrator's own list, which an upgrade must keep.
const std::vector<std::string> kEditedAllowList = {"page", "server:127.0.0.1:12300"};

DWORD g_upgradeExitCode = kMsiexecNotRun;
DWORD g_uninstallExitCode = kMsiexecNotRun;

std::string Quoted(const std::string& path) {
    return "\"" + path + "\"";
}

#define ASSERT_MSIEXEC(code) ASSERT_EQ(code, 0u) << "log: " << LastMsiexecLog()

void InstallsOverTheOlderVersion() {
    ASSERT_EQ(FirstInstallExitCode(), 0u) << "the first installation failed";
    ASSERT_FALSE(NextPackage().path.empty()) << "HOROLUX_NEXT_MSI names no package";
    ASSERT_NE(NextPackage().productCode, FirstPackage().productCode);
    ASSERT_EQ(NextPackage().upgradeCode, FirstPackage().upgradeCode);
    WriteMultiSz(HKEY_LOCAL_MACHINE, horolux::service::kServiceKey,
                 horolux::service::kAllowedSourcesValue, kEditedAllowList);

    g_upgradeExitCode = RunMsiexec("/i " + Quoted(NextPackage().path) + " /qn");
    ASSERT_MSIEXEC(g_upgradeExitCode);
    EXPECT_EQ(InstalledRelatedProducts(NextPackage().upgradeCode),
              std::vector<std::string>{NextPackage().productCode});
    EXPECT_NE(MsiQueryProductStateA(FirstPackage().productCode.c_str()), INSTALLSTATE_DEFAULT);
}

void KeepsAnEditedAllowList() {
    ASSERT_MSIEXEC(g_upgradeExitCode);
    EXPECT_EQ(ReadMultiSz(HKEY_LOCAL_MACHINE, horolux::service::kServiceKey,
                          horolux::service::kAllowedSourcesValue),
              kEditedAllowList);
}

void LeavesFilesValuesAndServiceInPlace() {
    ASSERT_MSIEXEC(g_upgradeExitCode);
    EXPECT_TRUE(FileExists(InstallFolder() + "Horolux.exe"));
    EXPECT_TRUE(FileExists(InstallFolder() + "HoroluxTime.exe"));
    EXPECT_TRUE(FileExists(ShortcutPath()));
    EXPECT_EQ(test::ReadSz(HKEY_LOCAL_MACHINE, ui::kRunKey, ui::kRunValueName),
              InstallFolder() + "Horolux.exe");
    EXPECT_TRUE(WaitForServiceState(SERVICE_RUNNING, 30000));
    EXPECT_TRUE(WaitUntilPipeAnswers(30000));
}

void RefusesAnOlderPackage() {
    ASSERT_MSIEXEC(g_upgradeExitCode);
    EXPECT_NE(RunMsiexec("/i " + Quoted(FirstPackage().path) + " /qn"), 0u);
    EXPECT_EQ(InstalledRelatedProducts(NextPackage().upgradeCode),
              std::vector<std::string>{NextPackage().productCode});
    EXPECT_TRUE(WaitForServiceState(SERVICE_RUNNING, 30000));
}

void RemovesTheProduct() {
    ASSERT_MSIEXEC(g_upgradeExitCode);
    const std::string firstRun = "NO";
    test::SetRaw(HKEY_CURRENT_USER, kConfigKey, "FirstRun", REG_SZ, firstRun.c_str(),
                 static_cast<DWORD>(firstRun.size() + 1));
    // The program rewrites the value at every start with its own spelling of its path.
    std::string path = InstallFolder() + "HOROLUX.EXE";
    test::SetRaw(HKEY_LOCAL_MACHINE, ui::kRunKey, ui::kRunValueName, REG_SZ, path.c_str(),
                 static_cast<DWORD>(path.size() + 1));

    g_uninstallExitCode = RunMsiexec("/x " + Quoted(NextPackage().path) + " /qn");
    ASSERT_MSIEXEC(g_uninstallExitCode);
    EXPECT_TRUE(InstalledRelatedProducts(NextPackage().upgradeCode).empty());
}

void RemovesServiceFilesShortcutAndValues() {
    ASSERT_MSIEXEC(g_uninstallExitCode);
    EXPECT_TRUE(WaitUntilServiceGone(30000));
    EXPECT_TRUE(WaitUntilPipeGone(30000));
    EXPECT_FALSE(FolderExists(InstallFolder())) << InstallFolder();
    EXPECT_FALSE(FileExists(ShortcutPath())) << ShortcutPath();
    EXPECT_EQ(test::ReadSz(HKEY_LOCAL_MACHINE, ui::kRunKey, ui::kRunValueName), std::nullopt);
    EXPECT_FALSE(test::KeyExists(HKEY_LOCAL_MACHINE, kMachineSettingsKey));
    EXPECT_FALSE(test::KeyExists(HKEY_LOCAL_MACHINE, horolux::service::kEventSourceKey));
}

void KeepsTheUserSettings() {
    ASSERT_MSIEXEC(g_uninstallExitCode);
    EXPECT_EQ(test::ReadSz(HKEY_CURRENT_USER, kConfigKey, "FirstRun"), "NO");
}

void RemovesTheUserSettingsWhenAsked() {
    ASSERT_MSIEXEC(g_uninstallExitCode);
    // The silent installation's upgrade left the newer package installed, without an autostart
    // value of its own (AUTOSTART=0); installed here as it would have been when that failed.
    if (InstalledRelatedProducts(NextPackage().upgradeCode).empty()) {
        ASSERT_MSIEXEC(RunMsiexec("/i " + Quoted(NextPackage().path) + " /qn AUTOSTART=0"));
    }
    ASSERT_TRUE(WaitForServiceState(SERVICE_RUNNING, 30000));
    ASSERT_TRUE(test::KeyExists(HKEY_CURRENT_USER, kConfigKey));
    // What the program writes for its Autostart box goes with the product all the same.
    const std::string path = InstallFolder() + "Horolux.exe";
    test::SetRaw(HKEY_LOCAL_MACHINE, ui::kRunKey, ui::kRunValueName, REG_SZ, path.c_str(),
                 static_cast<DWORD>(path.size() + 1));

    ASSERT_MSIEXEC(RunMsiexec("/x " + Quoted(NextPackage().path) + " /qn REMOVEUSERSETTINGS=1"));
    EXPECT_FALSE(test::KeyExists(HKEY_CURRENT_USER, kUserSettingsKey));
    EXPECT_TRUE(InstalledRelatedProducts(NextPackage().upgradeCode).empty());
    EXPECT_TRUE(WaitUntilServiceGone(30000));
    EXPECT_FALSE(FolderExists(InstallFolder()));
    EXPECT_FALSE(test::KeyExists(HKEY_LOCAL_MACHINE, kMachineSettingsKey));
    EXPECT_EQ(test::ReadSz(HKEY_LOCAL_MACHINE, ui::kRunKey, ui::kRunValueName), std::nullopt);
}

class Step : public testing::Test {
public:
    explicit Step(std::function<void()> body) : body_(std::move(body)) {}
    void TestBody() override { body_(); }

private:
    std::function<void()> body_;
};

}  // namespace

void RegisterStep(const char* suite, const char* name, void (*body)()) {
    testing::RegisterTest(suite, name, nullptr, nullptr, __FILE__, __LINE__,
                          [body]() -> testing::Test* { return new Step(body); });
}

void RegisterLaterSteps() {
    RegisterStep("Upgrade", "InstallsOverTheOlderVersion", InstallsOverTheOlderVersion);
    RegisterStep("Upgrade", "KeepsAnEditedAllowList", KeepsAnEditedAllowList);
    RegisterStep("Upgrade", "LeavesFilesValuesAndServiceInPlace",
                 LeavesFilesValuesAndServiceInPlace);
    RegisterStep("Upgrade", "RefusesAnOlderPackage", RefusesAnOlderPackage);
    RegisterStep("Uninstall", "RemovesTheProduct", RemovesTheProduct);
    RegisterStep("Uninstall", "RemovesServiceFilesShortcutAndValues",
                 RemovesServiceFilesShortcutAndValues);
    RegisterStep("Uninstall", "KeepsTheUserSettings", KeepsTheUserSettings);
    RegisterSilentInstallSteps();
    RegisterStep("UninstallRemovingUserSettings", "RemovesThemToo",
                 RemovesTheUserSettingsWhenAsked);
}

}  // namespace install
