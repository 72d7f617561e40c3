#pragma once
// The program's state apart from its windows: where it lives and whether this is its first run,
// the main window's options, the schedule's counters and the alarms. The application owns the
// one model and hands it to the windows that show or change it; every save writes from here.
#include <cstdint>
#include <string>
#include <vector>

#include "core/alarms/alarm_store.h"
#include "core/schedule/schedule.h"
#include "core/settings/main_settings.h"
#include "core/settings/settings_store.h"
#include "core/timesource/ntp_exchange.h"
#include "core/timesource/time_source.h"

namespace horolux {

class HoroluxModel {
public:
    explicit HoroluxModel(SettingsStore& store) : store_(store) {}
    HoroluxModel(const HoroluxModel&) = delete;
    HoroluxModel& operator=(const HoroluxModel&) = delete;

    // Where the settings are kept; the floating clock keeps its own values there too.
    SettingsStore& Store() const { return store_; }

    void Load() { LoadSettings(store_, settings); }
    void Save() const { SaveSettings(store_, settings); }
    // The alarms alone, right after each change, so a crash loses none.
    void SaveAlarms() const { horolux::SaveAlarms(store_, settings.alarms); }
    // Stored only once the user chose one, so the default can still change for everybody else.
    void SaveSnoozeMinutes() const { horolux::SaveSnoozeMinutes(store_, settings.snoozeMinutes); }

    AlarmDataArray& Alarms() { return settings.alarms; }
    const AlarmDataArray& Alarms() const { return settings.alarms; }

    // One minute of the periodic schedule: true when a sync is due now. A due sync starts the
    // count again and forgets the moment the user chose.
    bool ScheduleMinuteDue(std::int64_t now, std::int64_t chosenMoment);
    // A sync that the schedule missed (in sleep) was made: the schedule counts from it.
    void ScheduleCaughtUp();
    // The user changed the schedule: counting starts again.
    void RestartSchedule() { minuteCounter = 0; }
    // This minute's step of the dial-up connection watch; remembers a new connection.
    ConnectionWatch WatchConnection(const ConnectionState& state) {
        return horolux::WatchConnection(state, connectionName);
    }

    // The time source, kept apart from the options: saved when the user confirms a choice.
    void LoadTimeSource();
    void SaveTimeSource() const;
    // Puts a sync first in the history and stores the history.
    void RecordSync(const SyncRecord& record);

    // The settings an administrator's policy holds: shown, never changed here.
    std::vector<std::string> policyHeld;

    // Start-up's record
    std::string appPath;  // ends in a backslash
    int firstRun = 0;

    MainSettings settings;
    TimeSourceChoice timeSource;
    std::vector<SyncRecord> history;  // newest first

    // The schedule's counters, never stored
    std::int32_t minuteCounter = 0;
    int nextSet = 0;                // the picker holds a moment the user chose
    std::string connectionName;     // the Internet connection last seen
    RefusedServers refusedServers;  // time servers that asked not to be queried this session

private:
    SettingsStore& store_;
};

}  // namespace horolux
