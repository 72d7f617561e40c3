#include "core/app/horolux_model.h"

#include <gtest/gtest.h>

#include "tests/support/memory_settings_store.h"

namespace horolux {
namespace {

constexpr std::int64_t kNow = 1796665200;  // any moment will do

TEST(HoroluxModel, SavesTheAlarmsAloneOrEverythingAndLoadsThemBack) {
    MemorySettingsStore store;
    HoroluxModel model(store);
    model.settings.syncOnStart = 1;
    LoadAlarms(model.Alarms(), {"5@@10", "Tea@@Nap", "3@@0"});

    model.SaveAlarms();
    EXPECT_EQ(store.Journal(), (std::vector<std::string>{"W AlarmTime", "W AlarmMsg",
                                                         "W AlarmSound", "W AlarmWarn"}))
        << "only the alarms, so a change of them stores nothing the user has not confirmed";
    model.Save();
    EXPECT_EQ(store.ReadInt("Config", "SyncOnStart", -1), 1);

    HoroluxModel reloaded(store);
    reloaded.Load();
    ASSERT_EQ(reloaded.Alarms().GetSize(), 2u);
    EXPECT_EQ(reloaded.Alarms().GetAt(1)->message, "Nap");
    EXPECT_EQ(reloaded.Alarms().GetAt(0)->sound, 3);
    EXPECT_EQ(reloaded.settings.syncOnStart, 1);
}

TEST(HoroluxModel, TheScheduleCountsMinutesOnlyWhileItIsOn) {
    MemorySettingsStore store;
    HoroluxModel model(store);
    model.settings.scheduleInterval = "1";  // hours
    for (int minute = 0; minute < 120; ++minute) ASSERT_FALSE(model.ScheduleMinuteDue(kNow, 0));
    EXPECT_EQ(model.minuteCounter, 0) << "off: nothing counted";

    model.settings.scheduleSync = 1;
    for (int minute = 1; minute < 60; ++minute)
        ASSERT_FALSE(model.ScheduleMinuteDue(kNow, 0)) << minute;
    EXPECT_TRUE(model.ScheduleMinuteDue(kNow, 0)) << "the sixtieth minute";
    EXPECT_EQ(model.minuteCounter, 0) << "counting starts again";
    EXPECT_FALSE(model.ScheduleMinuteDue(kNow, 0));

    model.RestartSchedule();
    EXPECT_EQ(model.minuteCounter, 0);
}

TEST(HoroluxModel, AChosenMomentThatHasComeIsDueOnceAndForgotten) {
    MemorySettingsStore store;
    HoroluxModel model(store);
    model.settings.scheduleSync = 1;
    model.settings.scheduleInterval = "24";
    model.nextSet = 1;
    model.settings.doNextStartAt = "1796600000";
    EXPECT_FALSE(model.ScheduleMinuteDue(kNow, kNow + 60)) << "not yet";
    EXPECT_TRUE(model.ScheduleMinuteDue(kNow, kNow - 60));
    EXPECT_EQ(model.nextSet, 0);
    EXPECT_EQ(model.settings.doNextStartAt, "");
    EXPECT_FALSE(model.ScheduleMinuteDue(kNow, kNow - 60))
        << "forgotten: the interval counts again";
}

TEST(HoroluxModel, TheConnectionWatchRemembersANewDialUpLink) {
    MemorySettingsStore store;
    HoroluxModel model(store);
    model.connectionName = "LAN Connection";
    EXPECT_EQ(model.WatchConnection({true, kConnectionModem, "Dial-up"}),
              ConnectionWatch::SyncAndEndTick);
    EXPECT_EQ(model.connectionName, "Dial-up");
    EXPECT_EQ(model.WatchConnection({true, kConnectionModem, "Dial-up"}),
              ConnectionWatch::Continue);
}

TEST(HoroluxModel, TheTimeSourceAndTheHistoryAreStoredApartFromTheOptions) {
    MemorySettingsStore store;
    HoroluxModel model(store);
    model.LoadTimeSource();
    EXPECT_EQ(model.timeSource, TimeSourceChoice{}) << "settings of older versions: the page";
    EXPECT_TRUE(model.history.empty());

    model.timeSource = {TimeSource::TimeServer, "127.0.0.1:12300", kDefaultTimeWebUrl};
    model.SaveTimeSource();
    for (int i = 0; i < 22; ++i) model.RecordSync({std::to_string(i), "127.0.0.1", i, 5, "ok"});
    EXPECT_EQ(store.ReadInt("Config", "TimeSource", -1), 1);
    EXPECT_EQ(store.ReadText("Config", "TimeServer", "?"), "127.0.0.1:12300");
    EXPECT_EQ(store.ReadTextList("Config", "SyncHistory").size(), kSyncHistorySize);
    EXPECT_EQ(store.ReadInt("Config", "RequireAuthenticated", -1), 0);

    HoroluxModel reloaded(store);
    reloaded.LoadTimeSource();
    EXPECT_EQ(reloaded.timeSource, model.timeSource);
    ASSERT_EQ(reloaded.history.size(), kSyncHistorySize);
    EXPECT_EQ(reloaded.history.front().when, "21");

    model.timeSource = {TimeSource::Automatic};
    model.timeSource.requireAuthenticated = true;
    model.SaveTimeSource();
    EXPECT_EQ(store.ReadInt("Config", "RequireAuthenticated", -1), 1);
    reloaded.LoadTimeSource();
    EXPECT_EQ(reloaded.timeSource, model.timeSource);

    store.WriteInt("Config", "TimeSource", 7);
    store.WriteText("Config", "TimeWebUrl", "gopher://x");
    store.WriteInt("Config", "RequireAuthenticated", 2);
    reloaded.LoadTimeSource();
    EXPECT_EQ(reloaded.timeSource.source, TimeSource::Page);
    EXPECT_EQ(reloaded.timeSource.webUrl, kDefaultTimeWebUrl);
    EXPECT_FALSE(reloaded.timeSource.requireAuthenticated) << "only 1 asks for it";
}

}  // namespace
}  // namespace horolux
