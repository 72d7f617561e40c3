#pragma once
// The alarms: one record per alarm, kept in an ordered array of slots, and their stored form
// (intervals, messages, sounds and warnings, each list joined by "@@").
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace horolux {

inline constexpr char kAlarmSeparator[] = "@@";
inline constexpr char kDefaultAlarmMessage[] = "Alarm!";
inline constexpr int kMaxWarnMinutes = 60;
// The snooze length, one for all alarms: 1..60 minutes, 5 when unset or odd.
inline constexpr int kDefaultSnoozeMinutes = 5;
inline constexpr int kMaxSnoozeMinutes = 60;

struct AlarmData {
    std::int32_t count = 0;     // minutes since the alarm last fired, was loaded, added or edited
    std::int32_t interval = 0;  // minutes between firings; 0 for an alarm switched off
    std::string message = kDefaultAlarmMessage;
    std::int32_t sound = 0;  // 0 no sound, 1 PC beep, 2..10 a clip
    std::int32_t warn = 0;   // minutes before it rings to warn: 0 never, 1..60

    // Never stored: a snooze pending at exit is dropped, and so is a held ring.
    std::int64_t snoozeDue = 0;  // when a snoozed ring is due, steady milliseconds; 0 for none
    std::string heldDueAt;       // "HH:MM" it first came due while held back; empty if not held
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

// Whether the minute just counted leaves exactly the alarm's warning time before it rings.
bool WarnsNow(const AlarmData& alarm);
// The warning's text: "In N min: MESSAGE".
std::string WarningText(const AlarmData& alarm);
// The minutes until the alarm rings next: its interval's, or a pending snooze's when that comes
// sooner (whole minutes, rounded up). nowMs on the clock of snoozeDue.
std::int64_t MinutesToRing(const AlarmData& alarm, std::int64_t nowMs);
// The stored snooze length made fit: 1..60 as it is, anything else the default.
int SnoozeMinutesValue(int stored);

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
    std::string warnings;
    bool operator==(const StoredAlarms&) const = default;
};

// Rebuilds the store from the stored texts. An interval item reads as atoi reads it; an alarm
// without a message item gets an empty message; one without a sound or warning item, or with an
// item that is no sound number or no warning of 1..60 minutes, no sound or warning (settings of
// older versions have neither).
void LoadAlarms(AlarmDataArray& alarms, const StoredAlarms& stored);

StoredAlarms SaveAlarms(const AlarmDataArray& alarms);

}  // namespace horolux
