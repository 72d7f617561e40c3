#include "core/app/startup.h"

#include <gtest/gtest.h>

#include <set>

#include "tests/support/memory_settings_store.h"

namespace horolux {
namespace {

struct FakeDisk {
    std::set<std::string> files;
    std::function<bool(const std::string&)> Exists() {
        return [this](const std::string& p) { return files.count(p) > 0; };
    }
};

std::string Text(MemorySettingsStore& s, const char* name) {
    return s.ReadText("Config", name, "<none>");
}

TEST(Startup, TrailingBackslashIsAddedOnce) {
    EXPECT_EQ(WithTrailingBackslash("C:\\Tools"), "C:\\Tools\\");
    EXPECT_EQ(WithTrailingBackslash("C:\\"), "C:\\");
    EXPECT_EQ(WithTrailingBackslash(""), "\\");
}

TEST(Startup, FirstStartFromOwnFolderRegistersAutostart) {
    MemorySettingsStore store;
    FakeDisk disk{{"C:\\Tools\\Horolux.exe"}};
    StartupRecord r = RecordStartup(store, "C:\\Tools", disk.Exists());
    EXPECT_EQ(r.firstRun, 1);
    EXPECT_EQ(r.appPath, "C:\\Tools\\");
    EXPECT_TRUE(r.writeRunValue);
    EXPECT_EQ(Text(store, "FirstRun"), "NO");
    EXPECT_EQ(Text(store, "AppPath"), "C:\\Tools\\");
}

TEST(Startup, FirstStartFromElsewhereRecordsThatFolderOnly) {
    MemorySettingsStore store;
    FakeDisk disk{{"C:\\Tools\\Horolux.exe"}};
    StartupRecord r = RecordStartup(store, "C:\\Users\\me", disk.Exists());
    EXPECT_EQ(r.firstRun, 1);
    EXPECT_FALSE(r.writeRunValue);
    EXPECT_EQ(Text(store, "AppPath"), "C:\\Users\\me\\");
}

TEST(Startup, LaterStartFromElsewhereUsesTheStoredFolder) {
    MemorySettingsStore store;
    FakeDisk disk{{"C:\\Tools\\Horolux.exe"}};
    RecordStartup(store, "C:\\Tools\\", disk.Exists());
    StartupRecord r = RecordStartup(store, "C:\\Windows\\system32", disk.Exists());
    EXPECT_EQ(r.firstRun, 0);
    EXPECT_EQ(r.appPath, "C:\\Tools\\");
    EXPECT_TRUE(r.writeRunValue);
    EXPECT_EQ(Text(store, "AppPath"), "C:\\Tools\\");
}

TEST(Startup, OnlyAnExactYesMarksTheFirstRun) {
    for (const char* stored : {"yes", "YES ", "NO", ""}) {
        MemorySettingsStore store;
        store.WriteText("Config", "FirstRun", stored);
        FakeDisk disk;
        StartupRecord r = RecordStartup(store, "D:\\x", disk.Exists());
        EXPECT_EQ(r.firstRun, 0) << '"' << stored << '"';
        EXPECT_EQ(Text(store, "AppPath"), "<none>") << "AppPath is written only on the first run";
    }
}

}  // namespace
}  // namespace horolux
