#include "core/alarms/alarm_store.h"

#include <algorithm>
#include <cstdint>

#include "core/alarms/alarm_sound.h"
#include "core/schedule/schedule.h"

namespace horolux {

std::size_t AlarmDataArray::Add(std::unique_ptr<AlarmData> alarm) {
    slots_.push_back(std::move(alarm));
    return slots_.size() - 1;
}

void AlarmDataArray::EmptySlot(std::size_t i) {
    if (i < slots_.size()) slots_[i].reset();
}

std::size_t AlarmDataArray::LiveCount() const {
    std::size_t n = 0;
    for (const auto& slot : slots_) n += slot != nullptr;
    return n;
}

bool CountAlarmMinute(AlarmData& alarm) {
    if (!IsAlarmOn(alarm)) return false;
    if (alarm.count < INT32_MAX) ++alarm.count;
    return alarm.count >= alarm.interval;
}

bool WarnsNow(const AlarmData& alarm) {
    return IsAlarmOn(alarm) && alarm.warn > 0 &&
           std::int64_t{alarm.interval} - alarm.count == alarm.warn;
}

std::string WarningText(const AlarmData& alarm) {
    return "In " + std::to_string(alarm.warn) + " min: " + alarm.message;
}

std::int64_t MinutesToRing(const AlarmData& alarm, std::int64_t nowMs) {
    const std::int64_t regular = std::int64_t{alarm.interval} - alarm.count;
    if (alarm.snoozeDue == 0) return regular;
    const std::int64_t snoozed =
        alarm.snoozeDue <= nowMs ? 0 : (alarm.snoozeDue - nowMs + 59999) / 60000;
    return std::min(regular, snoozed);
}

int SnoozeMinutesValue(int stored) {
    return stored >= 1 && stored <= kMaxSnoozeMinutes ? stored : kDefaultSnoozeMinutes;
}

bool IsStorableAlarmMessage(const std::string& message) {
    return message.find(kAlarmSeparator) == std::string::npos &&
           (message.empty() || message.back() != '@');
}

bool SplitString(const std::string& text, const std::string& separator,
                 std::vector<std::string>& out) {
    if (separator.empty()) return false;
    if (text.empty()) return true;
    std::size_t start = 0;
    for (std::size_t at; (at = text.find(separator, start)) != std::string::npos;
         start = at + separator.size())
        out.push_back(text.substr(start, at - start));
    out.push_back(text.substr(start));
    return true;
}

namespace {

// A stored item of one or two decimal digits below limit; anything else 0 (no sound, no warning).
std::int32_t SmallNumber(const std::string& item, std::int32_t limit) {
    if (item.empty() || item.size() > 2) return 0;
    std::int32_t value = 0;
    for (char c : item) {
        if (c < '0' || c > '9') return 0;
        value = value * 10 + (c - '0');
    }
    return value < limit ? value : 0;
}

// The i-th item of a list, or an empty one past its end.
const std::string& ItemOrEmpty(const std::vector<std::string>& items, std::size_t i) {
    static const std::string none;
    return i < items.size() ? items[i] : none;
}

}  // namespace

void LoadAlarms(AlarmDataArray& alarms, const StoredAlarms& stored) {
    std::vector<std::string> intervalItems, messageItems, soundItems, warnItems;
    SplitString(stored.intervals, kAlarmSeparator, intervalItems);
    SplitString(stored.messages, kAlarmSeparator, messageItems);
    SplitString(stored.sounds, kAlarmSeparator, soundItems);
    SplitString(stored.warnings, kAlarmSeparator, warnItems);
    alarms.RemoveAll();
    for (std::size_t i = 0; i < intervalItems.size(); ++i) {
        auto alarm = std::make_unique<AlarmData>();
        alarm->interval = IntervalValue(intervalItems[i]);
        // A message list shorter than the interval list leaves the rest without a message.
        alarm->message = ItemOrEmpty(messageItems, i);
        alarm->sound = SmallNumber(ItemOrEmpty(soundItems, i), kSoundCount);
        alarm->warn = SmallNumber(ItemOrEmpty(warnItems, i), kMaxWarnMinutes + 1);
        alarms.Add(std::move(alarm));
    }
}

StoredAlarms SaveAlarms(const AlarmDataArray& alarms) {
    StoredAlarms stored;
    bool first = true;
    for (std::size_t i = 0; i < alarms.GetSize(); ++i) {
        const AlarmData* alarm = alarms.GetAt(i);
        if (!alarm) continue;
        if (!first) {
            stored.intervals += kAlarmSeparator;
            stored.messages += kAlarmSeparator;
            stored.sounds += kAlarmSeparator;
            stored.warnings += kAlarmSeparator;
        }
        first = false;
        stored.intervals += std::to_string(alarm->interval);
        stored.messages += alarm->message;
        stored.sounds += std::to_string(alarm->sound);
        stored.warnings += std::to_string(alarm->warn);
    }
    return stored;
}

}  // namespace horolux
