#pragma once
// The alarms: one record per alarm, kept in an ordered array of slots, and their stored form
// (intervals, messages and sounds, each list joined by "@@").
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace horolux {

inline constexpr char kAlarmSeparator[] = "@@";
inline constexpr char kDefaultAlarmMessage[] = "Alarm!";

struct AlarmData {
    std::int32_t count = 0;     // minutes since the alarm last fired, was loaded, added or edited
    std::int32_t interval = 0;  // minutes between firings; 0 for an alarm switched off
    std::string message = kDefaultAlarmMessage;
    std::int32_t sound = 0;  // 0 no sound, 1 PC beep, 2..10 a clip
};

// Slots in the one order of the alarms everywhere. Deleting an alarm empties its slot and the
// slot stays, so positions others hold (a list row, an open popup) keep meaning the same alarm.
class AlarmDataArray {
public:
    std::size_t GetSize() const { return slots_.size(); }
    // The record in slot i, or null when the slot is empty or out of range.
    AlarmData* GetAt(std::size_t i) const { return i < slots_.size() ? slots_[i].get() : nullptr; }
    // Appends a new last slot; returns its index.
    std::size_t Add(std::unique_ptr<AlarmData> alarm);
    // Frees the record of slot i and leaves the slot empty.
    void EmptySlot(std::size_t i);
    // Frees every record and removes every slot.
    void RemoveAll() { slots_.clear(); }
    std::size_t LiveCount() const;

private:
    std::vector<std::unique_ptr<AlarmData>> slots_;
};

// An alarm switched off (interval below 1) neither counts nor fires.
inline bool IsAlarmOn(const AlarmData& alarm) {
    return alarm.interval >= 1;
}

// One minute of an alarm: counts it and tells whether the alarm fires now (its count reached its
// interval). An alarm switched off stays as it is.
bool CountAlarmMinute(AlarmData& alarm);

// Whether a message comes back unchanged from the stored form: one holding "@@" would split in
// two, and one ending in "@" would run into the separator after it ("a@" + "@@" + "x").
bool IsStorableAlarmMessage(const std::string& message);

// Appends the pieces of text between occurrences of separator, empty pieces included; an empty
// text has no pieces. False, appending nothing, for an empty separator.
bool SplitString(const std::string& text, const std::string& separator,
                 std::vector<std::string>& out);

// The stored form of the live alarms, one item each in slot order.
struct StoredAlarms {
    std::string intervals;
    std::string messages;
    std::string sounds;
    bool operator==(const StoredAlarms&) const = default;
};

// Rebuilds the store from the stored texts. An interval item reads as atoi reads it; an alarm
// without a message item gets an empty message, and one without a sound item, or with an item
// that is not a sound number, no sound (settings of older versions have no sounds at all).
void LoadAlarms(AlarmDataArray& alarms, const StoredAlarms& stored);

StoredAlarms SaveAlarms(const AlarmDataArray& alarms);

}  // namespace horolux
