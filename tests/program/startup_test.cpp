#include <gtest/gtest.h>

#include <optional>

#include "program_test.h"
#include "resource.h"
#include "test_registry.h"

namespace {

const std::string kRun = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";

using driver::ConfigText;

std::optional<std::string> RunValue() {
    return test::ReadSz(HKEY_LOCAL_MACHINE, kRun, "Horolux");
}

class Startup : public driver::ProgramTest {
protected:
    void SetUp() override {
        ProgramTest::SetUp();
        elsewhere_ = driver::MakeTempFolder("elsewhere");
    }
    std::string elsewhere_;
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

TEST_F(Startup, TwoStartsAtTheSameMomentLeaveOneProgram) {
    driver::Program a, b;
    ASSERT_TRUE(a.Start(exe_, home_));
    ASSERT_TRUE(b.Start(exe_, home_));
    ASSERT_TRUE(driver::WaitUntil([&] { return !a.Running() || !b.Running(); }, 15000))
        << "one of the two gives way";
    driver::Program& kept = a.Running() ? a : b;
    driver::Program& ended = a.Running() ? b : a;
    DWORD code = 1234;
    EXPECT_TRUE(ended.WaitForExit(0, &code));
    EXPECT_EQ(code, 0u);
    EXPECT_TRUE(kept.WaitForMainWindow());
    EXPECT_TRUE(kept.Running());
}

TEST_F(Startup, AnotherProgramsWindowCaptionedHoroluxDoesNotStopIt) {
    HWND stranger = CreateWindowExA(0, "STATIC", "Horolux", WS_POPUP, 0, 0, 10, 10, nullptr,
                                    nullptr, nullptr, nullptr);
    ASSERT_TRUE(stranger);
    driver::Program p;
    ASSERT_TRUE(p.Start(exe_, home_));
    EXPECT_TRUE(p.WaitForMainWindow()) << "it started all the same";
    EXPECT_TRUE(p.Running());
    DestroyWindow(stranger);
}

TEST_F(Startup, TheOkActionSavesWhatTheWindowShows) {
    driver::SetConfig("ScheduleInterval", std::string("12"));
    driver::SetConfig("ExitAfterSync", 1);
    driver::SetConfig("ScheduleHourDaySync", 1);
    driver::SetConfig("AlarmTime", std::string("30@@abc@@1440"));
    driver::SetConfig("AlarmMsg", std::string("Tea@@Stretch"));

    driver::Program p;
    ASSERT_TRUE(p.Start(exe_, home_));
    HWND main = p.WaitForMainWindow();
    ASSERT_TRUE(main);
    EXPECT_EQ(driver::ControlText(main, IDC_INTERVAL), "12");
    EXPECT_EQ(driver::CheckState(main, IDC_EXIT_AFTER_SYNC), BST_CHECKED);
    EXPECT_EQ(driver::CheckState(main, IDC_UNIT_DAY), BST_CHECKED);

    SendMessageTimeoutA(GetDlgItem(main, IDC_INTERVAL), WM_SETTEXT, 0,
                        reinterpret_cast<LPARAM>("48"), SMTO_ABORTIFHUNG, 5000, nullptr);
    DWORD code = 1234;
    ASSERT_TRUE(p.EndWithOk());
    ASSERT_TRUE(p.WaitForExit(0, &code));
    EXPECT_EQ(code, 0u);
    EXPECT_EQ(ConfigText("ScheduleInterval"), "48");
    EXPECT_EQ(driver::ConfigInt("ExitAfterSync"), 1u) << "a REG_DWORD as shown";
    EXPECT_EQ(ConfigText("LastSync"), "");
    // Three alarms come back in their order, the unreadable interval as 0, the third without
    // a message of its own.
    EXPECT_EQ(ConfigText("AlarmTime"), "30@@0@@1440");
    EXPECT_EQ(ConfigText("AlarmMsg"), "Tea@@Stretch@@");
}

}  // namespace
