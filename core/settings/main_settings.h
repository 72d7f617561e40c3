#pragma once
// The main window's persistent options and their load and save orders.
#include <string>

#include "core/alarms/alarm_store.h"
#include "core/settings/settings_store.h"

namespace horolux {

struct MainSettings {
    std::string lastSync;
    int exitAfterSync = 0;
    int syncOnStart = 0;
    int scheduleSync = 0;
    int scheduleHourDaySync = 0;  // 0 hours, 1 days
    std::string scheduleInterval = "1";
    std::string doNextStartAt;  // seconds since 1970 UTC as decimal text, or empty
    int syncOnInternetConnect = 0;
    int showAlarmClock = 0;
    // Loaded here, but stored only when the user sets it (SaveSnoozeMinutes).
    int snoozeMinutes = kDefaultSnoozeMinutes;
    AlarmDataArray alarms;
};

void LoadSettings(SettingsStore& store, MainSettings& s);
void SaveSettings(SettingsStore& store, const MainSettings& s);

// The alarms alone, as the settings load and save them; saved after every change of the store.
void LoadAlarms(SettingsStore& store, AlarmDataArray& alarms);
void SaveAlarms(SettingsStore& store, const AlarmDataArray& alarms);
void SaveSnoozeMinutes(SettingsStore& store, int minutes);

}  // namespace horolux
