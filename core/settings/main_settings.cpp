#include "core/settings/main_settings.h"

#include "core/settings/config.h"

namespace horolux {

using config::Read;
using config::Write;

void LoadSettings(SettingsStore& store, MainSettings& s) {
    s.lastSync = Read(store, config::kLastSync);
    s.exitAfterSync = Read(store, config::kExitAfterSync);
    s.syncOnStart = Read(store, config::kSyncOnStart);
    s.scheduleSync = Read(store, config::kScheduleSync);
    s.scheduleHourDaySync = Read(store, config::kScheduleHourDaySync);
    s.scheduleInterval = Read(store, config::kScheduleInterval);
    s.doNextStartAt = Read(store, config::kDoNextStartAt);
    s.syncOnInternetConnect = Read(store, config::kSyncOnInternetConnect);
    s.showAlarmClock = Read(store, config::kShowAlarmClock);
    s.snoozeMinutes = SnoozeMinutesValue(Read(store, config::kSnoozeMinutes));
    LoadAlarms(store, s.alarms);
}

void SaveSettings(SettingsStore& store, const MainSettings& s) {
    Write(store, config::kLastSync, s.lastSync);
    Write(store, config::kExitAfterSync, s.exitAfterSync);
    Write(store, config::kSyncOnStart, s.syncOnStart);
    Write(store, config::kScheduleSync, s.scheduleSync);
    Write(store, config::kScheduleHourDaySync, s.scheduleHourDaySync);
    Write(store, config::kScheduleInterval, s.scheduleInterval);
    Write(store, config::kDoNextStartAt, s.doNextStartAt);
    Write(store, config::kSyncOnInternetConnect, s.syncOnInternetConnect);
    Write(store, config::kShowAlarmClock, s.showAlarmClock);
    SaveAlarms(store, s.alarms);
}

void LoadAlarms(SettingsStore& store, AlarmDataArray& alarms) {
    StoredAlarms stored;
    stored.intervals = Read(store, config::kAlarmTime);
    stored.messages = Read(store, config::kAlarmMsg);
    stored.sounds = Read(store, config::kAlarmSound);
    stored.warnings = Read(store, config::kAlarmWarn);
    LoadAlarms(alarms, stored);
}

void SaveAlarms(SettingsStore& store, const AlarmDataArray& alarms) {
    const StoredAlarms stored = SaveAlarms(alarms);
    Write(store, config::kAlarmTime, stored.intervals);
    Write(store, config::kAlarmMsg, stored.messages);
    Write(store, config::kAlarmSound, stored.sounds);
    Write(store, config::kAlarmWarn, stored.warnings);
}

void SaveSnoozeMinutes(SettingsStore& store, int minutes) {
    Write(store, config::kSnoozeMinutes, SnoozeMinutesValue(minutes));
}

}  // namespace horolux
