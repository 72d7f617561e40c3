#include "core/alarms/alarm_store.h"

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

// A stored sound item: a sound's decimal number, anything else no sound.
std::int32_t SoundValue(const std::string& item) {
    if (item.empty() || item.size() > 2) return kSoundNone;
    std::int32_t value = 0;
    for (char c : item) {
        if (c < '0' || c > '9') return kSoundNone;
        value = value * 10 + (c - '0');
    }
    return value < kSoundCount ? value : kSoundNone;
}

}  // namespace

void LoadAlarms(AlarmDataArray& alarms, const StoredAlarms& stored) {
    std::vector<std::string> intervalItems, messageItems, soundItems;
    SplitString(stored.intervals, kAlarmSeparator, intervalItems);
    SplitString(stored.messages, kAlarmSeparator, messageItems);
    SplitString(stored.sounds, kAlarmSeparator, soundItems);
    alarms.RemoveAll();
    for (std::size_t i = 0; i < intervalItems.size(); ++i) {
        auto alarm = std::make_unique<AlarmData>();
        alarm->interval = IntervalValue(intervalItems[i]);
        // A message list shorter than the interval list leaves the rest without a message.
        alarm->message = i < messageItems.size() ? messageItems[i] : std::string();
        alarm->sound = i < soundItems.size() ? SoundValue(soundItems[i]) : kSoundNone;
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
        }
        first = false;
        stored.intervals += std::to_string(alarm->interval);
        stored.messages += alarm->message;
        stored.sounds += std::to_string(alarm->sound);
    }
    return stored;
}

}  // namespace horolux
