// Any profile, each Config value missing, an integer or a text of any content, must load; what
// the load gives must be what the profile holds (the default where a value is missing or of the
// other type), and a save must write the loaded values back so that the next load and save give
// the same profile again.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "core/settings/config.h"
#include "core/settings/main_settings.h"
#include "tests/fuzz/fuzz_check.h"
#include "tests/support/memory_settings_store.h"

namespace {

using namespace horolux;
using fuzz::Check;

struct Setting {
    const char* name;
    bool isInt;
    int intFallback;
    const char* textFallback;
};

constexpr Setting Int(const config::IntValue& v) {
    return {v.name, true, v.fallback, nullptr};
}
constexpr Setting Text(const config::TextValue& v) {
    return {v.name, false, 0, v.fallback};
}

// Every value of the section, read by the main settings or not.
const Setting kSettings[] = {
    Text(config::kFirstRun),
    Text(config::kAppPath),
    Text(config::kLastSync),
    Int(config::kExitAfterSync),
    Int(config::kSyncOnStart),
    Int(config::kScheduleSync),
    Int(config::kScheduleHourDaySync),
    Text(config::kScheduleInterval),
    Text(config::kDoNextStartAt),
    Int(config::kSyncOnInternetConnect),
    Int(config::kShowAlarmClock),
    Text(config::kAlarmTime),
    Text(config::kAlarmMsg),
    Text(config::kAlarmSound),
    Text(config::kAlarmWarn),
    Int(config::kSnoozeMinutes),
    Text(config::kAlarmClockPlacement),
    Text(config::kAlarmClockBkColor),
    Text(config::kAlarmClockTextColor),
    Text(config::kAlarmClockTextBkColor),
    Int(config::kAlarmClockTransp),
};

// The values the main settings write.
const char* const kSaved[] = {
    config::kLastSync.name,
    config::kExitAfterSync.name,
    config::kSyncOnStart.name,
    config::kScheduleSync.name,
    config::kScheduleHourDaySync.name,
    config::kScheduleInterval.name,
    config::kDoNextStartAt.name,
    config::kSyncOnInternetConnect.name,
    config::kShowAlarmClock.name,
    config::kAlarmTime.name,
    config::kAlarmMsg.name,
    config::kAlarmSound.name,
    config::kAlarmWarn.name,
};

bool IsSaved(const std::string& name) {
    for (const char* saved : kSaved)
        if (name == saved) return true;
    return false;
}

// What a read of the value gives: the stored value of its own type, else the default.
struct Expected {
    int integer = 0;
    std::string text;
};

std::vector<const AlarmData*> Live(const AlarmDataArray& alarms) {
    std::vector<const AlarmData*> live;
    for (std::size_t i = 0; i < alarms.GetSize(); ++i)
        if (const AlarmData* a = alarms.GetAt(i)) live.push_back(a);
    return live;
}

bool SameAlarms(const AlarmDataArray& a, const AlarmDataArray& b) {
    const auto x = Live(a), y = Live(b);
    if (x.size() != y.size()) return false;
    for (std::size_t i = 0; i < x.size(); ++i)
        if (x[i]->count != y[i]->count || x[i]->interval != y[i]->interval ||
            x[i]->message != y[i]->message || x[i]->sound != y[i]->sound ||
            x[i]->warn != y[i]->warn)
            return false;
    return true;
}

bool SameOptions(const MainSettings& a, const MainSettings& b) {
    return a.lastSync == b.lastSync && a.exitAfterSync == b.exitAfterSync &&
           a.syncOnStart == b.syncOnStart && a.scheduleSync == b.scheduleSync &&
           a.scheduleHourDaySync == b.scheduleHourDaySync &&
           a.scheduleInterval == b.scheduleInterval && a.doNextStartAt == b.doNextStartAt &&
           a.syncOnInternetConnect == b.syncOnInternetConnect &&
           a.showAlarmClock == b.showAlarmClock && a.snoozeMinutes == b.snoozeMinutes;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    MemorySettingsStore store;
    std::map<std::string, Expected> expected;
    for (const Setting& s : kSettings) {
        Expected& e = expected[s.name];
        e = {s.intFallback, s.isInt ? std::string() : s.textFallback};
        switch (in.ConsumeIntegralInRange(0, 3)) {
            case 0:  // missing
                break;
            case 1: {
                const int value = in.ConsumeIntegral<int>();
                store.WriteInt(config::kSection, s.name, value);
                if (s.isInt) e.integer = value;
                break;
            }
            default: {
                const std::string value = in.ConsumeRandomLengthString(200);
                store.WriteText(config::kSection, s.name, value);
                if (!s.isInt) e.text = value;
                break;
            }
        }
        // The same name in another section is none of the settings' business.
        if (in.ConsumeBool()) store.WriteText("Other", s.name, in.ConsumeRandomLengthString(20));
    }

    MainSettings loaded;
    LoadSettings(store, loaded);
    Check(loaded.lastSync == expected[config::kLastSync.name].text, "LastSync loads as stored");
    Check(loaded.exitAfterSync == expected[config::kExitAfterSync.name].integer,
          "ExitAfterSync loads");
    Check(loaded.syncOnStart == expected[config::kSyncOnStart.name].integer, "SyncOnStart loads");
    Check(loaded.scheduleSync == expected[config::kScheduleSync.name].integer,
          "ScheduleSync loads");
    Check(loaded.scheduleHourDaySync == expected[config::kScheduleHourDaySync.name].integer,
          "ScheduleHourDaySync loads");
    Check(loaded.scheduleInterval == expected[config::kScheduleInterval.name].text,
          "ScheduleInterval loads");
    Check(loaded.doNextStartAt == expected[config::kDoNextStartAt.name].text,
          "DoNextStartAt loads");
    Check(loaded.syncOnInternetConnect == expected[config::kSyncOnInternetConnect.name].integer,
          "SyncOnInternetConnect loads");
    Check(loaded.showAlarmClock == expected[config::kShowAlarmClock.name].integer,
          "ShowAlarmClock loads");
    AlarmDataArray fromTexts;
    LoadAlarms(fromTexts, StoredAlarms{expected[config::kAlarmTime.name].text,
                                       expected[config::kAlarmMsg.name].text,
                                       expected[config::kAlarmSound.name].text,
                                       expected[config::kAlarmWarn.name].text});
    Check(SameAlarms(loaded.alarms, fromTexts), "the alarms load from the four stored lists");
    const int snooze = expected[config::kSnoozeMinutes.name].integer;
    Check(loaded.snoozeMinutes == (snooze >= 1 && snooze <= 60 ? snooze : 5),
          "SnoozeMinutes loads, odd values as the default");

    const auto before = store.Values();
    SaveSettings(store, loaded);
    const auto saved = store.Values();
    for (const auto& [key, value] : saved) {
        const bool ours = key.first == config::kSection && IsSaved(key.second);
        if (!ours) {
            const auto was = before.find(key);
            Check(was != before.end() && was->second == value, "a save touches only its values");
            continue;
        }
        const Setting* s = nullptr;
        for (const Setting& each : kSettings)
            if (key.second == each.name) s = &each;
        Check(s && value.isText == !s->isInt, "a value is saved with its own type");
    }
    for (const char* name : kSaved)
        Check(saved.count({config::kSection, name}) == 1, "every value of the settings is saved");
    const StoredAlarms alarmTexts = SaveAlarms(loaded.alarms);
    Check(saved.at({config::kSection, config::kAlarmTime.name}).text == alarmTexts.intervals &&
              saved.at({config::kSection, config::kAlarmMsg.name}).text == alarmTexts.messages &&
              saved.at({config::kSection, config::kAlarmSound.name}).text == alarmTexts.sounds &&
              saved.at({config::kSection, config::kAlarmWarn.name}).text == alarmTexts.warnings,
          "the alarms are saved in their stored form");

    MainSettings again;
    LoadSettings(store, again);
    Check(SameOptions(loaded, again), "saved options load back unchanged");
    // A loaded message ending in "@" runs into the separator after it when saved ("a@" + "@@"),
    // so the alarms come back unchanged only when no such message has another after it.
    const auto live = Live(loaded.alarms);
    bool storable = true;
    for (std::size_t i = 0; i + 1 < live.size(); ++i)
        storable = storable && IsStorableAlarmMessage(live[i]->message);
    if (storable) Check(SameAlarms(loaded.alarms, again.alarms), "saved alarms load back");

    SaveSettings(store, again);
    Check(store.Values() == saved,
          "a second load and save keep the profile as the first save left it");
    return 0;
}
