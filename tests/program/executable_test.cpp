#include <gtest/gtest.h>

#include <cstring>
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
    // Each setting counts only in its own namespace, within the asm.v3 application element;
    // anywhere else the system silently stretches the program as a DPI-unaware one.
    const size_t application =
        text.find("<application xmlns=\"urn:schemas-microsoft-com:asm.v3\">");
    const size_t systemAware = text.find(
        "<dpiAware "
        "xmlns=\"http://schemas.microsoft.com/SMI/2005/WindowsSettings\">true</dpiAware>");
    const size_t perMonitor = text.find(
        "<dpiAwareness xmlns=\"http://schemas.microsoft.com/SMI/2016/WindowsSettings\">"
        "PerMonitorV2</dpiAwareness>");
    const size_t end = text.find("</application>");
    ASSERT_NE(application, std::string::npos);
    EXPECT_TRUE(application < systemAware && systemAware < end) << text;
    EXPECT_TRUE(application < perMonitor && perMonitor < end) << text;

    for (int dialog : {IDD_ABOUTBOX, IDD_HOROLUX_DIALOG})
        EXPECT_TRUE(FindResourceA(exe, MAKEINTRESOURCEA(dialog), MAKEINTRESOURCEA(5))) << dialog;
    EXPECT_TRUE(FindResourceA(exe, MAKEINTRESOURCEA(IDR_SYNC_AVI), "AVI"));
    EXPECT_TRUE(
        FindResourceA(exe, MAKEINTRESOURCEA(IDR_MAINFRAME), MAKEINTRESOURCEA(14)));  // group icon

    HMENU menu = LoadMenuA(exe, MAKEINTRESOURCEA(IDR_TRAY_MENU));
    ASSERT_TRUE(menu);
    HMENU popup = GetSubMenu(menu, 0);
    const struct {
        UINT id;
        const char* text;
    } items[] = {
        {ID_TRAY_SHOW, "Show Horolux"},
        {ID_TRAY_EXIT, "Exit..."},
        {ID_TRAY_SHOW_ALARM_CLOCK, "Show Alarm Clock"},
        {ID_TRAY_ALARMS, "Alarms..."},
        {ID_TRAY_SYNC_CLOCK, "Sync clock"},
        {ID_TRAY_ABOUT, "About..."},
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

TEST(Executable, CarriesTheNineAlarmSoundsInTheirFormats) {
    HMODULE exe = LoadLibraryExA(driver::BuiltExePath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_TRUE(exe);
    const struct {
        int id;
        WORD format;
        DWORD rate;
        double seconds;
    } clips[] = {
        {174, 1, 11025, 0.7},  {175, 1, 11025, 0.9}, {176, 7, 11025, 1.0},
        {177, 7, 11025, 1.0},  {179, 1, 18839, 0.8}, {180, 1, 22050, 0.45},
        {181, 7, 11025, 12.0}, {182, 1, 18839, 1.2}, {183, 1, 25031, 2.4},
    };
    for (const auto& c : clips) {
        SCOPED_TRACE(c.id);
        HRSRC info = FindResourceA(exe, MAKEINTRESOURCEA(c.id), "WAVE");
        ASSERT_TRUE(info);
        const auto* riff = static_cast<const BYTE*>(LockResource(LoadResource(exe, info)));
        const DWORD size = SizeofResource(exe, info);
        ASSERT_GE(size, 44u);
        ASSERT_EQ(std::memcmp(riff, "RIFF", 4), 0);
        ASSERT_EQ(std::memcmp(riff + 8, "WAVEfmt ", 8), 0);
        WORD format = 0, channels = 0, bits = 0;
        DWORD rate = 0;
        std::memcpy(&format, riff + 20, 2);
        std::memcpy(&channels, riff + 22, 2);
        std::memcpy(&rate, riff + 24, 4);
        std::memcpy(&bits, riff + 34, 2);
        EXPECT_EQ(format, c.format);
        EXPECT_EQ(channels, 1);
        EXPECT_EQ(rate, c.rate);
        EXPECT_EQ(bits, 8);
        // The last chunk is the samples, one byte each.
        DWORD dataSize = 0;
        const BYTE* data = riff + size - 4;
        for (const BYTE* p = riff + 12; p + 8 <= riff + size;
             p += 8 + ((*reinterpret_cast<const DWORD*>(p + 4) + 1) & ~1u))
            if (std::memcmp(p, "data", 4) == 0) {
                std::memcpy(&dataSize, p + 4, 4);
                data = p + 8;
                break;
            }
        EXPECT_LE(data + dataSize, riff + size);
        EXPECT_NEAR(static_cast<double>(dataSize) / c.rate, c.seconds, 0.01);
    }
    EXPECT_FALSE(FindResourceA(exe, MAKEINTRESOURCEA(178), "WAVE"));
    FreeLibrary(exe);
}

}  // namespace
