#include "core/app/horolux_model.h"

#include "core/schedule/schedule.h"
#include "core/settings/config.h"

namespace horolux {

void HoroluxModel::LoadTimeSource() {
    timeSource = SanitiseTimeSource(config::Read(store_, config::kTimeSource),
                                    config::Read(store_, config::kTimeServer),
                                    config::Read(store_, config::kTimeWebUrl),
                                    store_.ReadTextList(config::kSection, config::kAutoSources));
    timeSource.requireAuthenticated = config::Read(store_, config::kRequireAuthenticated) == 1;
    history = ReadSyncHistory(store_.ReadTextList(config::kSection, config::kSyncHistory));
}

void HoroluxModel::SaveTimeSource() const {
    config::Write(store_, config::kTimeSource, static_cast<int>(timeSource.source));
    config::Write(store_, config::kTimeServer, timeSource.server);
    config::Write(store_, config::kTimeWebUrl, timeSource.webUrl);
    store_.WriteTextList(config::kSection, config::kAutoSources,
                         SourceEntryTexts(timeSource.autoSources));
    config::Write(store_, config::kRequireAuthenticated, timeSource.requireAuthenticated ? 1 : 0);
}

void HoroluxModel::RecordSync(const SyncRecord& record) {
    const std::vector<std::string> stored = AddSyncRecord(history, record);
    store_.WriteTextList(config::kSection, config::kSyncHistory, stored);
    history = ReadSyncHistory(stored);
}

bool HoroluxModel::ScheduleMinuteDue(std::int64_t now, std::int64_t chosenMoment) {
    if (!settings.scheduleSync) return false;
    const ScheduleMinute minute{settings.scheduleHourDaySync, settings.scheduleInterval,
                                nextSet != 0, now, chosenMoment};
    if (AdvanceSchedule(minuteCounter, minute) != ScheduleTick::Due) return false;
    ScheduleCaughtUp();
    return true;
}

void HoroluxModel::ScheduleCaughtUp() {
    minuteCounter = 0;
    nextSet = 0;
    settings.doNextStartAt.clear();
}

}  // namespace horolux
