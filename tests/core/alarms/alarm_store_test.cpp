#include "core/alarms/alarm_store.h"

#include <gtest/gtest.h>

namespace horolux {
namespace {

std::vector<std::string> Split(const std::string& text, const std::string& sep = "@@") {
    std::vector<std::string> out;
    EXPECT_TRUE(SplitString(text, sep, out));
    return out;
}

TEST(SplitString, CutsAtEverySeparatorKeepingEmptyPieces) {
    using V = std::vector<std::string>;
    EXPECT_EQ(Split(""), V{});
    EXPECT_EQ(Split("30"), V{"30"});
    EXPECT_EQ(Split("A@@B"), (V{"A", "B"}));
    EXPECT_EQ(Split("Tea@@"), (V{"Tea", ""}));
    EXPECT_EQ(Split("@@"), (V{"", ""}));
    EXPECT_EQ(Split("a@@@b"), (V{"a", "@b"})) << "searching goes on after the separator found";
    EXPECT_EQ(Split("a@@@@b"), (V{"a", "", "b"}));

    std::vector<std::string> out{"kept"};
    EXPECT_FALSE(SplitString("a@@b", "", out));
    EXPECT_EQ(out, V{"kept"}) << "an empty separator appends nothing";
    EXPECT_TRUE(SplitString("x", "@@", out));
    EXPECT_EQ(out, (V{"kept", "x"})) << "pieces are appended";
}

TEST(AlarmStore, LoadsOneAlarmPerIntervalItem) {
    const struct {
        const char* intervals;
        const char* messages;
        std::vector<std::pair<int, std::string>> alarms;
    } cases[] = {
        {"", "Alarm!", {}},
        {"5@@10", "A@@B", {{5, "A"}, {10, "B"}}},
        {"30@@1440", "Tea@@", {{30, "Tea"}, {1440, ""}}},
        {"0", "Off", {{0, "Off"}}},
        {" -7x@@abc@@+12", "a@@b@@c", {{-7, "a"}, {0, "b"}, {12, "c"}}},
        {"15@@60@@90", "Alarm!", {{15, "Alarm!"}, {60, ""}, {90, ""}}},  // fewer messages
        {"15", "", {{15, ""}}},
    };
    for (const auto& c : cases) {
        AlarmDataArray store;
        store.Add(std::make_unique<AlarmData>());  // loading starts from an empty store
        LoadAlarms(store, {c.intervals, c.messages, "", ""});
        ASSERT_EQ(store.GetSize(), c.alarms.size()) << c.intervals;
        for (std::size_t i = 0; i < c.alarms.size(); ++i) {
            const AlarmData* a = store.GetAt(i);
            ASSERT_TRUE(a);
            EXPECT_EQ(a->interval, c.alarms[i].first) << c.intervals << " #" << i;
            EXPECT_EQ(a->message, c.alarms[i].second) << c.intervals << " #" << i;
            EXPECT_EQ(a->count, 0);
        }
    }
}

TEST(AlarmStore, SavesLiveAlarmsInSlotOrderSkippingEmptySlots) {
    AlarmDataArray store;
    LoadAlarms(store, {"10@@20@@30", "a@@b@@c", "0@@7@@10", "0@@5@@60"});
    store.GetAt(1)->count = 17;  // counts, snoozes and held rings are never stored
    store.GetAt(1)->snoozeDue = 5;
    store.GetAt(1)->heldDueAt = "12:00";
    EXPECT_EQ(SaveAlarms(store), (StoredAlarms{"10@@20@@30", "a@@b@@c", "0@@7@@10", "0@@5@@60"}));

    store.EmptySlot(0);
    EXPECT_EQ(store.GetSize(), 3u) << "the slot stays";
    EXPECT_EQ(store.GetAt(0), nullptr);
    EXPECT_EQ(store.LiveCount(), 2u);
    EXPECT_EQ(SaveAlarms(store), (StoredAlarms{"20@@30", "b@@c", "7@@10", "5@@60"}));

    store.EmptySlot(1);
    store.EmptySlot(2);
    store.EmptySlot(99);  // out of range: nothing happens
    EXPECT_EQ(SaveAlarms(store), StoredAlarms{});
    store.RemoveAll();
    EXPECT_EQ(store.GetSize(), 0u);
}

TEST(AlarmStore, AnAlarmFiresWhenItsCountReachesItsInterval) {
    const struct {
        int interval;
        int firesAtTick;
    } cases[] = {{1, 1}, {3, 3}, {1440, 1440}};
    for (const auto& c : cases) {
        AlarmData alarm;
        alarm.interval = c.interval;
        int tick = 1;
        while (!CountAlarmMinute(alarm) && tick < 5000) ++tick;
        EXPECT_EQ(tick, c.firesAtTick) << c.interval;
    }
    // Switched off (0) or a stored negative interval: neither counted nor fired.
    for (int interval : {0, -5}) {
        AlarmData alarm;
        alarm.interval = interval;
        for (int tick = 0; tick < 100; ++tick) ASSERT_FALSE(CountAlarmMinute(alarm)) << interval;
        EXPECT_EQ(alarm.count, 0);
    }
}

TEST(AlarmStore, SoundsAndWarningsComeBackAndOddItemsMeanNone) {
    const struct {
        const char* items;
        std::vector<int> sounds, warnings;
    } cases[] = {
        {"3@@10@@0", {3, 10, 0}, {3, 10, 0}},
        {"", {0, 0, 0}, {0, 0, 0}},   // stored by a version without them
        {"5", {5, 0, 0}, {5, 0, 0}},  // a short list
        {"11@@60@@61", {0, 0, 0}, {11, 60, 0}},
        {"-1@@x@@ 4", {0, 0, 0}, {0, 0, 0}},              // negative, not a number, a blank
        {"04@@99999999999@@2@@9", {4, 0, 2}, {4, 0, 2}},  // extra items are ignored
    };
    for (const auto& c : cases) {
        AlarmDataArray store;
        LoadAlarms(store, {"1@@2@@3", "a@@b@@c", c.items, c.items});
        ASSERT_EQ(store.GetSize(), 3u);
        for (std::size_t i = 0; i < 3; ++i) {
            EXPECT_EQ(store.GetAt(i)->sound, c.sounds[i]) << '"' << c.items << "\" #" << i;
            EXPECT_EQ(store.GetAt(i)->warn, c.warnings[i]) << '"' << c.items << "\" #" << i;
        }
    }
}

TEST(AlarmStore, WarningsSnoozesAndTheirMinutes) {
    AlarmData alarm;
    alarm.interval = 10;
    alarm.warn = 3;
    alarm.message = "Tea";
    std::vector<int> warnedAt;
    for (int tick = 1; tick <= 20; ++tick) {
        if (CountAlarmMinute(alarm)) alarm.count = 0;
        if (WarnsNow(alarm)) warnedAt.push_back(tick);
    }
    EXPECT_EQ(warnedAt, (std::vector<int>{7, 17})) << "3 minutes before each ring";
    EXPECT_EQ(WarningText(alarm), "In 3 min: Tea");
    alarm.interval = 0;
    alarm.count = 0;
    EXPECT_FALSE(WarnsNow(alarm)) << "a switched-off alarm never warns";

    alarm.interval = 10;
    alarm.count = 2;
    EXPECT_EQ(MinutesToRing(alarm, 1000), 8);
    alarm.snoozeDue = 1000 + 4 * 60000 + 1;  // a part of a minute counts as one
    EXPECT_EQ(MinutesToRing(alarm, 1000), 5);
    EXPECT_EQ(MinutesToRing(alarm, 1000 + 4 * 60000 + 1), 0) << "due now";
    alarm.count = 9;
    EXPECT_EQ(MinutesToRing(alarm, 1000), 1) << "the regular ring comes sooner";

    for (int stored : {1, 5, 60}) EXPECT_EQ(SnoozeMinutesValue(stored), stored);
    for (int stored : {0, -1, 61, 1 << 30}) EXPECT_EQ(SnoozeMinutesValue(stored), 5) << stored;
}

TEST(AlarmStore, OnlyMessagesThatComeBackUnchangedAreStorable) {
    for (const char* ok : {"", "Tea", "@x", "mail me@home", "a@b@c", "x @ y"})
        EXPECT_TRUE(IsStorableAlarmMessage(ok)) << ok;
    for (const char* bad : {"@@", "a@@b", "mail me@", "@", "x@@@"})
        EXPECT_FALSE(IsStorableAlarmMessage(bad)) << bad;

    // Every storable message, next to any other, survives the save and the load.
    const std::vector<std::string> messages = {"mail me@home", "@x", "", "a@b", "@start"};
    AlarmDataArray store;
    for (const auto& m : messages) {
        auto alarm = std::make_unique<AlarmData>();
        alarm->interval = 5;
        alarm->message = m;
        store.Add(std::move(alarm));
    }
    AlarmDataArray reloaded;
    LoadAlarms(reloaded, SaveAlarms(store));
    ASSERT_EQ(reloaded.GetSize(), messages.size());
    for (std::size_t i = 0; i < messages.size(); ++i)
        EXPECT_EQ(reloaded.GetAt(i)->message, messages[i]) << i;
}

}  // namespace
}  // namespace horolux
