#include <gtest/gtest.h>

#include "program_test.h"
#include "res/resource.h"
#include "res/time_source_resource.h"

namespace {

constexpr char kPolicyValues[] = "Software\\Policies\\Horolux\\Horolux";

void SetPolicy(const char* name, DWORD value) {
    test::SetRaw(HKEY_LOCAL_MACHINE, kPolicyValues, name, REG_DWORD, &value, sizeof value);
}

class Policy : public driver::ProgramTest {};

TEST_F(Policy, APolicyValueWinsIsShownLockedWithItsTipAndTheUsersOwnStays) {
    driver::SetConfig("SyncOnInternetConnect", DWORD{0});
    driver::SetConfig("TimeSource", DWORD{0});
    const DWORD automatic = 3;
    test::SetRaw(HKEY_LOCAL_MACHINE, driver::kMachineDefaultsKey, "TimeSource", REG_DWORD,
                 &automatic, sizeof automatic);
    SetPolicy("SyncOnInternetConnect", 1);
    SetPolicy("TimeSource", 1);
    SetPolicy("RequireAuthenticated", 1);
    const std::string server = "127.0.0.1:1";  // nothing answers there: no sync leaves the PC
    test::SetRaw(HKEY_LOCAL_MACHINE, kPolicyValues, "TimeServer", REG_SZ, server.c_str(),
                 static_cast<DWORD>(server.size() + 1));
    test::SetRaw(HKEY_LOCAL_MACHINE, kPolicyValues, "ScheduleSync", REG_SZ, "1", 2);  // odd type

    HWND main = Start();
    ASSERT_TRUE(main);
    EXPECT_EQ(driver::CheckState(main, IDC_SYNC_ON_CONNECT), BST_CHECKED);
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(main, IDC_SYNC_ON_CONNECT)));
    EXPECT_EQ(driver::ToolTipText(main, IDC_SYNC_ON_CONNECT), "Set by your administrator");
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(main, IDC_SCHEDULE_SYNC)))
        << "an odd value holds nothing";
    EXPECT_EQ(driver::ToolTipText(main, IDC_SCHEDULE_SYNC), "");

    PostMessageA(main, WM_SYSCOMMAND, IDM_TIME_SOURCE, 0);
    HWND dialog = nullptr;
    ASSERT_TRUE(driver::WaitUntil(
        [&] {
            dialog = driver::FindTopLevel(program_.Pid(), "Horolux - Time source");
            return dialog && IsWindowVisible(dialog);
        },
        5000));
    EXPECT_EQ(driver::CheckState(dialog, IDC_SOURCE_SERVER), BST_CHECKED) << "over the default";
    for (int radio : {IDC_SOURCE_PAGE, IDC_SOURCE_SERVER, IDC_SOURCE_WEB, IDC_SOURCE_AUTO})
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, radio))) << radio;
    EXPECT_EQ(driver::ControlText(dialog, IDC_TIME_SERVER), server);
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, IDC_TIME_SERVER)));
    EXPECT_EQ(driver::ToolTipText(dialog, IDC_TIME_SERVER), "Set by your administrator");
    EXPECT_EQ(driver::CheckState(dialog, IDC_AUTO_AUTHENTICATED), BST_CHECKED);
    EXPECT_EQ(driver::ToolTipText(dialog, IDC_AUTO_AUTHENTICATED), "Set by your administrator");
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    ASSERT_TRUE(driver::WaitUntil([&] { return !IsWindow(dialog); }, 5000));

    ASSERT_TRUE(program_.EndWithOk());
    EXPECT_EQ(driver::ConfigInt("SyncOnInternetConnect"), 0u) << "the user's own, untouched";
    EXPECT_EQ(driver::ConfigInt("TimeSource"), 0u);
    EXPECT_FALSE(driver::ConfigText("TimeServer"));
    EXPECT_FALSE(driver::ConfigInt("RequireAuthenticated"));
}

}  // namespace
