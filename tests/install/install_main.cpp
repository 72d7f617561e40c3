// install_tests: installs, upgrades and removes the MSI package in this Wine prefix, in one
// process and in this order:
//   1. the session installs this build's package (HOROLUX_MSI) before any case runs;
//   2. every TEST case of this folder looks at the installed product; cases that need the
//      installed, running service go here too, as TEST cases of their own files;
//   3. the later steps (later_steps.cpp): upgrade to HOROLUX_NEXT_MSI, uninstall, and an
//      uninstall that removes the user's settings. They are registered below, after every TEST
//      case, and GoogleTest runs test suites in the order they were registered.
#include <gtest/gtest.h>

#include <string>

#include "install_session.h"
#include "test_registry.h"
// clang-format off
#include <objbase.h>  // after <windows.h>, which framework/win32.h brings
// clang-format on

namespace {

class InstallSession : public testing::Environment {
public:
    void SetUp() override {
        const install::Package& package = install::FirstPackage();
        if (!package.path.empty())
            install::SetFirstInstallExitCode(
                install::RunMsiexec("/i \"" + package.path + "\" /qn"));
    }

    // What a failed step left installed goes, so that no service outlives the run.
    void TearDown() override {
        const std::string& upgradeCode = install::FirstPackage().upgradeCode;
        if (upgradeCode.empty()) return;
        for (const std::string& product : install::InstalledRelatedProducts(upgradeCode))
            install::RunMsiexec("/x " + product + " /qn");
    }
};

// Wine's shell hands every new Start menu shortcut to winemenubuilder, which would copy it into
// this machine's desktop menus. Switched off for the whole (private) prefix: msiexec does not
// pass WINEDLLOVERRIDES from this process's environment on to it.
void KeepShortcutsInThePrefix() {
    if (!install::RunningUnderWine()) return;
    const char disabled[] = "";
    test::SetRaw(HKEY_CURRENT_USER, "Software\\Wine\\DllOverrides", "winemenubuilder.exe", REG_SZ,
                 disabled, sizeof disabled);
}

}  // namespace

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    KeepShortcutsInThePrefix();
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    install::RegisterLaterSteps();
    testing::AddGlobalTestEnvironment(new InstallSession);
    const int result = RUN_ALL_TESTS();
    CoUninitialize();
    return result;
}
