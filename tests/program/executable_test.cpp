#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "driver.h"
#include "resource.h"

namespace {

std::string VersionString(const std::vector<char>& info, const char* name) {
    void* value = nullptr;
    UINT size = 0;
    const std::string path = std::string("\\StringFileInfo\\040904b0\\") + name;
    if (!VerQueryValueA(info.data(), path.c_str(), &value, &size) || !value) return "<none>";
    return static_cast<const char*>(value);
}

TEST(Executable, CarriesVersionInformationWithoutAPrivateBuild) {
    const std::string exe = driver::BuiltExePath();
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeA(exe.c_str(), &ignored);
    ASSERT_GT(size, 0u);
    std::vector<char> info(size);
    ASSERT_TRUE(GetFileVersionInfoA(exe.c_str(), 0, size, info.data()));
    EXPECT_EQ(VersionString(info, "ProductName"), "Horolux");
    EXPECT_EQ(VersionString(info, "OriginalFilename"), "Horolux.exe");
    EXPECT_EQ(VersionString(info, "FileVersion"), "1.0.0.0");
    EXPECT_EQ(VersionString(info, "PrivateBuild"), "<none>");
}

TEST(Executable, CarriesItsManifestMenusAndDialogs) {
    HMODULE exe = LoadLibraryExA(driver::BuiltExePath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_TRUE(exe);
    HRSRC manifest = FindResourceA(exe, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24));  // RT_MANIFEST
    ASSERT_TRUE(manifest);
    const std::string text(static_cast<const char*>(LockResource(LoadResource(exe, manifest))),
                           SizeofResource(exe, manifest));
    EXPECT_NE(text.find("Microsoft.Windows.Common-Controls"), std::string::npos);
    EXPECT_NE(text.find("version=\"6.0.0.0\""), std::string::npos);
    EXPECT_NE(text.find("level=\"asInvoker\""), std::string::npos);

    for (int dialog : {IDD_ABOUTBOX, IDD_HOROLUX_DIALOG})
        EXPECT_TRUE(FindResourceA(exe, MAKEINTRESOURCEA(dialog), MAKEINTRESOURCEA(5))) << dialog;
    EXPECT_TRUE(FindResourceA(exe, MAKEINTRESOURCEA(IDR_SYNC_AVI), "AVI"));
    EXPECT_TRUE(FindResourceA(exe, MAKEINTRESOURCEA(IDR_MAINFRAME), MAKEINTRESOURCEA(14)));  // group icon

    HMENU menu = LoadMenuA(exe, MAKEINTRESOURCEA(IDR_TRAY_MENU));
    ASSERT_TRUE(menu);
    HMENU popup = GetSubMenu(menu, 0);
    const struct { UINT id; const char* text; } items[] = {
        {ID_TRAY_SHOW, "Show Horolux"},       {ID_TRAY_EXIT, "Exit..."},
        {ID_TRAY_SHOW_ALARM_CLOCK, "Show Alarm Clock"}, {ID_TRAY_ALARMS, "Alarms..."},
        {ID_TRAY_SYNC_CLOCK, "Sync clock"},   {ID_TRAY_ABOUT, "About..."},
    };
    ASSERT_EQ(GetMenuItemCount(popup), 6);
    for (int i = 0; i < 6; ++i) {
        char text[64] = {};
        GetMenuStringA(popup, i, text, sizeof text, MF_BYPOSITION);
        EXPECT_EQ(GetMenuItemID(popup, i), items[i].id) << i;
        EXPECT_STREQ(text, items[i].text) << i;
    }
    char about[64] = {};
    LoadStringA(exe, IDS_ABOUTBOX, about, sizeof about);
    EXPECT_STREQ(about, "&About Horolux...");
    DestroyMenu(menu);
    FreeLibrary(exe);
}

}  // namespace
