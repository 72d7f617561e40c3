#include "core/app/horolux_model.h"

#include "core/schedule/schedule.h"

namespace horolux {

bool HoroluxModel::ScheduleMinuteDue(std::int64_t now, std::int64_t chosenMoment) {
    if (!settings.scheduleSync) return false;
    const ScheduleMinute minute{settings.scheduleHourDaySync, settings.scheduleInterval, nextSet != 0,
                                now, chosenMoment};
    if (AdvanceSchedule(minuteCounter, minute) != ScheduleTick::Due) return false;
    minuteCounter = 0;
    nextSet = 0;
    settings.doNextStartAt.clear();
    return true;
}

}  // namespace horolux
