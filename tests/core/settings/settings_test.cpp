#include <gtest/gtest.h>

#include "core/settings/config.h"
#include "core/settings/main_settings.h"
#include "tests/support/memory_settings_store.h"

namespace horolux {
namespace {

TEST(ConfigTable, NamesAndDefaultsAreTheStoredOnes) {
    // Integers: stored as REG_DWORD.
    const struct {
        config::IntValue v;
        const char* name;
        int fallback;
    } ints[] = {
        {config::kExitAfterSync, "ExitAfterSync", 0},
        {config::kSyncOnStart, "SyncOnStart", 0},
        {config::kScheduleSync, "ScheduleSync", 0},
        {config::kScheduleHourDaySync, "ScheduleHourDaySync", 0},
        {config::kSyncOnInternetConnect, "SyncOnInternetConnect", 0},
        {config::kShowAlarmClock, "ShowAlarmClock", 0},
        {config::kAlarmClockTransp, "AlarmClockTransp", 70},
        {config::kRequireAuthenticated, "RequireAuthenticated", 0},
    };
    for (const auto& e : ints) {
        EXPECT_STREQ(e.v.name, e.name);
        EXPECT_EQ(e.v.fallback, e.fallback) << e.name;
    }
    // Texts: stored as REG_SZ.
    const struct {
        config::TextValue v;
        const char* name;
        const char* fallback;
    } texts[] = {
        {config::kFirstRun, "FirstRun", "YES"},
        {config::kAppPath, "AppPath", ""},
        {config::kLastSync, "LastSync", ""},
        {config::kScheduleInterval, "ScheduleInterval", "1"},
        {config::kDoNextStartAt, "DoNextStartAt", ""},
        {config::kAlarmTime, "AlarmTime", ""},
        {config::kAlarmMsg, "AlarmMsg", "Alarm!"},
        {config::kAlarmSound, "AlarmSound", ""},
        {config::kAlarmClockPlacement, "AlarmClockPlacement", ""},
        {config::kAlarmClockBkColor, "AlarmClockBkColor", "0"},
        {config::kAlarmClockTextColor, "AlarmClockTextColor", "0"},
        {config::kAlarmClockTextBkColor, "AlarmClockTextBkColor", "0"},
    };
    for (const auto& e : texts) {
        EXPECT_STREQ(e.v.name, e.name);
        EXPECT_STREQ(e.v.fallback, e.fallback) << e.name;
    }
    EXPECT_STREQ(config::kSection, "Config");
}

TEST(ConfigTable, TypedAccessUsesTheSectionAndTheType) {
    MemorySettingsStore store;
    config::Write(store, config::kAlarmClockTransp, 55);
    config::Write(store, config::kLastSync, " 2026-12-07  10:00:00");
    EXPECT_EQ(store.ReadInt("Config", "AlarmClockTransp", -1), 55);
    EXPECT_EQ(store.ReadText("Config", "LastSync", "?"), " 2026-12-07  10:00:00");
    // A value stored with the other type reads as its default.
    EXPECT_EQ(store.ReadText("Config", "AlarmClockTransp", "?"), "?");
    EXPECT_EQ(config::Read(store, config::IntValue{"LastSync", 9}), 9);
}

TEST(MainSettings, EmptyStoreGivesEveryOptionOff) {
    MemorySettingsStore store;
    MainSettings s;
    s.exitAfterSync = s.syncOnStart = s.scheduleSync = 1;  // stale values must be replaced
    s.scheduleInterval = "7";
    LoadSettings(store, s);
    EXPECT_EQ(s.lastSync, "");
    EXPECT_EQ(s.exitAfterSync, 0);
    EXPECT_EQ(s.syncOnStart, 0);
    EXPECT_EQ(s.scheduleSync, 0);
    EXPECT_EQ(s.scheduleHourDaySync, 0);
    EXPECT_EQ(s.scheduleInterval, "1");
    EXPECT_EQ(s.doNextStartAt, "");
    EXPECT_EQ(s.syncOnInternetConnect, 0);
    EXPECT_EQ(s.showAlarmClock, 0);
    EXPECT_EQ(s.alarms.GetSize(), 0u)
        << "no intervals, no alarms, though AlarmMsg defaults to Alarm!";
    EXPECT_TRUE(store.Values().empty()) << "loading must not write";
}

TEST(MainSettings, LoadAndSaveFollowTheStoredOrder) {
    MemorySettingsStore store;
    MainSettings s;
    LoadSettings(store, s);
    SaveSettings(store, s);
    const std::vector<std::string> expected = {"R LastSync",
                                               "R ExitAfterSync",
                                               "R SyncOnStart",
                                               "R ScheduleSync",
                                               "R ScheduleHourDaySync",
                                               "R ScheduleInterval",
                                               "R DoNextStartAt",
                                               "R SyncOnInternetConnect",
                                               "R ShowAlarmClock",
                                               "R SnoozeMinutes",
                                               "R AlarmTime",
                                               "R AlarmMsg",
                                               "R AlarmSound",
                                               "R AlarmWarn",
                                               "W LastSync",
                                               "W ExitAfterSync",
                                               "W SyncOnStart",
                                               "W ScheduleSync",
                                               "W ScheduleHourDaySync",
                                               "W ScheduleInterval",
                                               "W DoNextStartAt",
                                               "W SyncOnInternetConnect",
                                               "W ShowAlarmClock",
                                               "W AlarmTime",
                                               "W AlarmMsg",
                                               "W AlarmSound",
                                               "W AlarmWarn"};
    EXPECT_EQ(store.Journal(), expected);
}

TEST(MainSettings, RoundTripKeepsValuesExactlyAsHeld) {
    MemorySettingsStore store;
    MainSettings out;
    out.lastSync = " 2026-12-07  19:44:30";
    out.exitAfterSync = 1;
    out.scheduleSync = 1;
    out.scheduleHourDaySync = 1;
    out.scheduleInterval = "012";  // stored as typed, not as a number
    out.doNextStartAt = "1796665200";
    out.syncOnInternetConnect = 1;
    out.showAlarmClock = 1;
    LoadAlarms(out.alarms, {"15@@60", "Tea@@Stretch", "4@@1"});
    SaveSettings(store, out);

    MainSettings in;
    LoadSettings(store, in);
    EXPECT_EQ(in.lastSync, out.lastSync);
    EXPECT_EQ(in.exitAfterSync, 1);
    EXPECT_EQ(in.syncOnStart, 0);
    EXPECT_EQ(in.scheduleSync, 1);
    EXPECT_EQ(in.scheduleHourDaySync, 1);
    EXPECT_EQ(in.scheduleInterval, "012");
    EXPECT_EQ(in.doNextStartAt, "1796665200");
    EXPECT_EQ(in.syncOnInternetConnect, 1);
    EXPECT_EQ(in.showAlarmClock, 1);
    ASSERT_EQ(in.alarms.GetSize(), 2u);
    EXPECT_EQ(in.alarms.GetAt(0)->interval, 15);
    EXPECT_EQ(in.alarms.GetAt(1)->message, "Stretch");
    EXPECT_EQ(store.ReadText("Config", "AlarmTime", "?"), "15@@60");
    EXPECT_EQ(store.ReadText("Config", "AlarmMsg", "?"), "Tea@@Stretch");
    EXPECT_EQ(store.ReadText("Config", "AlarmSound", "?"), "4@@1");
    EXPECT_EQ(in.alarms.GetAt(0)->sound, 4);

    const auto& v = store.Values();
    EXPECT_FALSE(v.at({"Config", "ExitAfterSync"}).isText);
    EXPECT_TRUE(v.at({"Config", "ScheduleInterval"}).isText);
}

TEST(MainSettings, NoAlarmsSavesEveryAlarmTextEmpty) {
    MemorySettingsStore store;
    MainSettings s;
    LoadSettings(store, s);  // AlarmMsg defaults to "Alarm!" but there is no alarm
    SaveSettings(store, s);
    EXPECT_EQ(store.ReadText("Config", "AlarmTime", "?"), "");
    EXPECT_EQ(store.ReadText("Config", "AlarmMsg", "?"), "");
    EXPECT_EQ(store.ReadText("Config", "AlarmSound", "?"), "");
}

}  // namespace
}  // namespace horolux
