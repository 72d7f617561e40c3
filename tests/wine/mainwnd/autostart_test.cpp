#include "ui/mainwnd/autostart.h"

#include <gtest/gtest.h>

#include <string>

#include "test_registry.h"

namespace {

const std::string kRun = ui::kRunKey;

std::string MakeTempAppFolder(bool withExe) {
    char base[MAX_PATH];
    GetTempPathA(MAX_PATH, base);
    std::string dir = std::string(base) + "hlx_autostart_" + std::to_string(GetTickCount()) + "\\";
    CreateDirectoryA(dir.c_str(), nullptr);
    if (withExe) {
        HANDLE f = CreateFileA((dir + "Horolux.exe").c_str(), GENERIC_WRITE, 0, nullptr,
                               CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        CloseHandle(f);
    }
    return dir;
}

class AutostartTest : public ::testing::Test {
protected:
    void SetUp() override { ui::DeleteRunValue(); }
    void TearDown() override {
        RegOverridePredefKey(HKEY_LOCAL_MACHINE, nullptr);
        ui::DeleteRunValue();
        test::DeleteTree(HKEY_CURRENT_USER, "Software\\HoroluxTest");
    }
    std::string appPath_;
};

TEST_F(AutostartTest, WritesTheFullExecutablePathToTheMachineRunKey) {
    appPath_ = MakeTempAppFolder(true);
    ui::WriteRunValue(appPath_);
    auto raw = test::ReadRaw(HKEY_LOCAL_MACHINE, kRun, "Horolux");
    ASSERT_TRUE(raw);
    EXPECT_EQ(raw->type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(raw->data, appPath_ + "Horolux.exe" + std::string(1, '\0'));
    EXPECT_FALSE(test::ReadSz(HKEY_CURRENT_USER, kRun, "Horolux")) << "no second entry per user";
}

TEST_F(AutostartTest, NothingIsWrittenWithoutTheExecutable) {
    appPath_ = MakeTempAppFolder(false);
    ui::WriteRunValue(appPath_);
    EXPECT_FALSE(test::ReadSz(HKEY_LOCAL_MACHINE, kRun, "Horolux"));
    EXPECT_FALSE(test::ReadSz(HKEY_CURRENT_USER, kRun, "Horolux"));
}

TEST_F(AutostartTest, FallsBackToTheUserRunKeyWhenTheMachineKeyCannotBeWritten) {
    appPath_ = MakeTempAppFolder(true);
    // Stand in an empty key for HKLM, so opening its Run key fails as for a standard user.
    HKEY empty = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\HoroluxTest\\EmptyMachine", 0, nullptr,
                              0, KEY_ALL_ACCESS, nullptr, &empty, nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(RegOverridePredefKey(HKEY_LOCAL_MACHINE, empty), ERROR_SUCCESS);
    RegCloseKey(empty);

    ui::WriteRunValue(appPath_);
    EXPECT_EQ(test::ReadSz(HKEY_CURRENT_USER, kRun, "Horolux"), appPath_ + "Horolux.exe");

    // Removing it reports the machine-wide failure but still clears the user's entry.
    EXPECT_EQ(ui::DeleteRunValue(), ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(test::ReadSz(HKEY_CURRENT_USER, kRun, "Horolux"));
}

TEST_F(AutostartTest, DeleteReportsSuccessAndThenTheMissingValue) {
    appPath_ = MakeTempAppFolder(true);
    ui::WriteRunValue(appPath_);
    EXPECT_EQ(ui::DeleteRunValue(), ERROR_SUCCESS);
    EXPECT_FALSE(test::ReadSz(HKEY_LOCAL_MACHINE, kRun, "Horolux"));
    EXPECT_EQ(ui::DeleteRunValue(), ERROR_FILE_NOT_FOUND);
}

}  // namespace
