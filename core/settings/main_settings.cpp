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
    const std::string intervals = Read(store, config::kAlarmTime);
    LoadAlarms(s.alarms, intervals, Read(store, config::kAlarmMsg));
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
    const auto [intervals, messages] = SaveAlarms(s.alarms);
    Write(store, config::kAlarmTime, intervals);
    Write(store, config::kAlarmMsg, messages);
}

}  // namespace horolux
