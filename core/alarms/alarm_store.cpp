#include "core/alarms/alarm_store.h"

#include <cstdint>

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
    if (alarm.count < INT32_MAX) ++alarm.count;
    return alarm.interval >= 1 && alarm.count >= alarm.interval;
}

bool SplitString(const std::string& text, const std::string& separator, std::vector<std::string>& out) {
    if (separator.empty()) return false;
    if (text.empty()) return true;
    std::size_t start = 0;
    for (std::size_t at; (at = text.find(separator, start)) != std::string::npos;
         start = at + separator.size())
        out.push_back(text.substr(start, at - start));
    out.push_back(text.substr(start));
    return true;
}

void LoadAlarms(AlarmDataArray& alarms, const std::string& intervals, const std::string& messages) {
    std::vector<std::string> intervalItems, messageItems;
    SplitString(intervals, kAlarmSeparator, intervalItems);
    SplitString(messages, kAlarmSeparator, messageItems);
    alarms.RemoveAll();
    for (std::size_t i = 0; i < intervalItems.size(); ++i) {
        auto alarm = std::make_unique<AlarmData>();
        alarm->interval = IntervalValue(intervalItems[i]);
        // A message list shorter than the interval list leaves the rest without a message.
        alarm->message = i < messageItems.size() ? messageItems[i] : std::string();
        alarms.Add(std::move(alarm));
    }
}

std::pair<std::string, std::string> SaveAlarms(const AlarmDataArray& alarms) {
    std::string intervals, messages;
    bool first = true;
    for (std::size_t i = 0; i < alarms.GetSize(); ++i) {
        const AlarmData* alarm = alarms.GetAt(i);
        if (!alarm) continue;
        if (!first) {
            intervals += kAlarmSeparator;
            messages += kAlarmSeparator;
        }
        first = false;
        intervals += std::to_string(alarm->interval);
        messages += alarm->message;
    }
    return {intervals, messages};
}

}  // namespace horolux
