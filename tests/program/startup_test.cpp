#include <gtest/gtest.h>

#include <optional>

#include "driver.h"
#include "resource.h"
#include "test_registry.h"

namespace {

const std::string kConfig = "Software\\Horolux\\Horolux\\Config";
const std::string kRun = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";

std::optional<std::string> ConfigText(const char* name) {
    return test::ReadSz(HKEY_CURRENT_USER, kConfig, name);
}
std::optional<std::string> RunValue() {
    return test::ReadSz(HKEY_LOCAL_MACHINE, kRun, "Horolux");
}

class Startup : public ::testing::Test {
protected:
    void SetUp() override {
        driver::ResetProgramState();
        home_ = driver::MakeTempFolder("home");
        exe_ = driver::CopyExeInto(home_);
        elsewhere_ = driver::MakeTempFolder("elsewhere");
    }
    void TearDown() override { driver::ResetProgramState(); }

    std::string home_, exe_, elsewhere_;
};

TEST_F(Startup, FirstStartFromItsOwnFolderRecordsItAndRegistersAutostart) {
    driver::Program p;
    ASSERT_TRUE(p.Start(exe_, home_));
    HWND main = p.WaitForMainWindow();
    ASSERT_TRUE(main);
    EXPECT_EQ(ConfigText("FirstRun"), "NO");
    EXPECT_EQ(ConfigText("AppPath"), home_);
    EXPECT_EQ(RunValue(), home_ + "Horolux.exe");
    EXPECT_EQ(driver::CheckState(main, IDC_AUTOSTART), BST_CHECKED);
    EXPECT_TRUE(p.EndWithOk());
}

TEST_F(Startup, FirstStartFromAnotherFolderWritesNoRunValue) {
    driver::Program p;
    ASSERT_TRUE(p.Start(exe_, elsewhere_));
    ASSERT_TRUE(p.WaitForMainWindow());
    EXPECT_EQ(ConfigText("FirstRun"), "NO");
    EXPECT_EQ(ConfigText("AppPath"), elsewhere_);
    EXPECT_FALSE(RunValue());
    EXPECT_FALSE(test::ReadSz(HKEY_CURRENT_USER, kRun, "Horolux"));
}

TEST_F(Startup, LaterStartFromElsewhereUsesTheStoredFolder) {
    {
        driver::Program first;
        ASSERT_TRUE(first.Start(exe_, home_));
        ASSERT_TRUE(first.WaitForMainWindow());
        ASSERT_TRUE(first.EndWithOk());
    }
    // Autostart was switched off meanwhile; a start at log-on (another working folder) restores it.
    HKEY run = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, kRun.c_str(), 0, KEY_WRITE, &run), ERROR_SUCCESS);
    RegDeleteValueA(run, "Horolux");
    RegCloseKey(run);

    driver::Program later;
    ASSERT_TRUE(later.Start(exe_, elsewhere_));
    ASSERT_TRUE(later.WaitForMainWindow());
    EXPECT_EQ(ConfigText("AppPath"), home_);
    EXPECT_EQ(RunValue(), home_ + "Horolux.exe");
}

TEST_F(Startup, ASecondInstanceShowsTheFirstAndEndsAtOnce) {
    driver::Program first;
    ASSERT_TRUE(first.Start(exe_, home_));
    HWND main = first.WaitForMainWindow();
    ASSERT_TRUE(main);
    ShowWindow(main, SW_HIDE);
    ASSERT_FALSE(IsWindowVisible(main));

    driver::Program second;
    ASSERT_TRUE(second.Start(exe_, home_));
    DWORD code = 1234;
    EXPECT_TRUE(second.WaitForExit(5000, &code));
    EXPECT_EQ(code, 0u);
    EXPECT_TRUE(driver::WaitUntil([&] { return IsWindowVisible(main) != FALSE; }, 5000));
    EXPECT_TRUE(first.Running());
}

TEST_F(Startup, TheOkActionSavesWhatTheWindowShows) {
    test::SetRaw(HKEY_CURRENT_USER, kConfig, "ScheduleInterval", REG_SZ, "12", 3);
    const DWORD one = 1;
    test::SetRaw(HKEY_CURRENT_USER, kConfig, "ExitAfterSync", REG_DWORD, &one, sizeof one);
    test::SetRaw(HKEY_CURRENT_USER, kConfig, "ScheduleHourDaySync", REG_DWORD, &one, sizeof one);

    driver::Program p;
    ASSERT_TRUE(p.Start(exe_, home_));
    HWND main = p.WaitForMainWindow();
    ASSERT_TRUE(main);
    EXPECT_EQ(driver::ControlText(main, IDC_INTERVAL), "12");
    EXPECT_EQ(driver::CheckState(main, IDC_EXIT_AFTER_SYNC), BST_CHECKED);
    EXPECT_EQ(driver::CheckState(main, IDC_UNIT_DAY), BST_CHECKED);

    SendMessageTimeoutA(GetDlgItem(main, IDC_INTERVAL), WM_SETTEXT, 0, reinterpret_cast<LPARAM>("48"),
                        SMTO_ABORTIFHUNG, 5000, nullptr);
    DWORD code = 1234;
    ASSERT_TRUE(p.EndWithOk());
    ASSERT_TRUE(p.WaitForExit(0, &code));
    EXPECT_EQ(code, 0u);
    EXPECT_EQ(ConfigText("ScheduleInterval"), "48");
    auto exitAfter = test::ReadRaw(HKEY_CURRENT_USER, kConfig, "ExitAfterSync");
    ASSERT_TRUE(exitAfter);
    EXPECT_EQ(exitAfter->type, static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(ConfigText("LastSync"), "");
    EXPECT_EQ(ConfigText("AlarmTime"), "");
    EXPECT_EQ(ConfigText("AlarmMsg"), "");
}

}  // namespace
