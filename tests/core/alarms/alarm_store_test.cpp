#include <gtest/gtest.h>

#include "core/alarms/alarm_store.h"

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
        LoadAlarms(store, c.intervals, c.messages);
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
    LoadAlarms(store, "10@@20@@30", "a@@b@@c");
    store.GetAt(1)->count = 17;  // counts are never stored
    EXPECT_EQ(SaveAlarms(store), std::make_pair(std::string("10@@20@@30"), std::string("a@@b@@c")));

    store.EmptySlot(0);
    EXPECT_EQ(store.GetSize(), 3u) << "the slot stays";
    EXPECT_EQ(store.GetAt(0), nullptr);
    EXPECT_EQ(store.LiveCount(), 2u);
    EXPECT_EQ(SaveAlarms(store), std::make_pair(std::string("20@@30"), std::string("b@@c")));

    store.EmptySlot(1);
    store.EmptySlot(2);
    store.EmptySlot(99);  // out of range: nothing happens
    EXPECT_EQ(SaveAlarms(store), std::make_pair(std::string(), std::string()));
    store.RemoveAll();
    EXPECT_EQ(store.GetSize(), 0u);
}

TEST(AlarmStore, AnAlarmFiresWhenItsCountReachesItsInterval) {
    const struct { int interval; int firesAtTick; } cases[] = {{1, 1}, {3, 3}, {1440, 1440}};
    for (const auto& c : cases) {
        AlarmData alarm;
        alarm.interval = c.interval;
        int tick = 1;
        while (!CountAlarmMinute(alarm) && tick < 5000) ++tick;
        EXPECT_EQ(tick, c.firesAtTick) << c.interval;
    }
    // Switched off (0) or a stored negative interval: counted, never fired.
    for (int interval : {0, -5}) {
        AlarmData alarm;
        alarm.interval = interval;
        for (int tick = 0; tick < 100; ++tick) ASSERT_FALSE(CountAlarmMinute(alarm)) << interval;
        EXPECT_EQ(alarm.count, 100);
    }
}

}  // namespace
}  // namespace horolux
