// The alarm store's stored form. Any three stored lists must load (the splits giving the texts
// back when joined), and what a load gives must save to texts that load and save to the same
// texts again. Any alarms whose messages the stored form keeps must come back from a save and a
// load exactly; and a message it does not keep must indeed not come back.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/alarms/alarm_store.h"
#include "core/schedule/schedule.h"
#include "tests/fuzz/fuzz_check.h"

namespace {

using namespace horolux;
using fuzz::Check;

std::string Join(const std::vector<std::string>& pieces, const std::string& separator) {
    std::string text;
    for (std::size_t i = 0; i < pieces.size(); ++i) text += (i ? separator : "") + pieces[i];
    return text;
}

std::vector<std::string> Split(const std::string& text, const std::string& separator) {
    std::vector<std::string> pieces{"kept"};  // a split appends
    Check(SplitString(text, separator, pieces) == !separator.empty(),
          "a split fails for an empty separator only");
    Check(!pieces.empty() && pieces.front() == "kept", "a split keeps what the list held");
    pieces.erase(pieces.begin());
    if (separator.empty()) {
        Check(pieces.empty(), "a failed split appends nothing");
        return pieces;
    }
    Check(pieces.empty() == text.empty(), "only an empty text has no pieces");
    Check(Join(pieces, separator) == text, "the pieces joined give the text");
    for (const std::string& piece : pieces)
        Check(piece.find(separator) == std::string::npos, "no piece holds the separator");
    return pieces;
}

struct Alarm {
    std::int32_t interval, sound, warn;
    std::string message;
    bool operator==(const Alarm&) const = default;
};

std::vector<Alarm> Live(const AlarmDataArray& alarms) {
    std::vector<Alarm> live;
    for (std::size_t i = 0; i < alarms.GetSize(); ++i)
        if (const AlarmData* a = alarms.GetAt(i))
            live.push_back({a->interval, a->sound, a->warn, a->message});
    return live;
}

std::vector<Alarm> SavedAndLoaded(const AlarmDataArray& alarms) {
    AlarmDataArray loaded;
    LoadAlarms(loaded, SaveAlarms(alarms));
    Check(loaded.LiveCount() == loaded.GetSize(), "a load leaves no empty slot");
    for (std::size_t i = 0; i < loaded.GetSize(); ++i)
        Check(loaded.GetAt(i)->count == 0, "a loaded alarm counts from 0");
    return Live(loaded);
}

void CheckLoad(const StoredAlarms& stored) {
    const auto intervals = Split(stored.intervals, kAlarmSeparator);
    const auto messages = Split(stored.messages, kAlarmSeparator);
    const auto sounds = Split(stored.sounds, kAlarmSeparator);
    const auto warnings = Split(stored.warnings, kAlarmSeparator);
    AlarmDataArray alarms;
    alarms.Add(std::make_unique<AlarmData>());  // a load replaces what the store held
    LoadAlarms(alarms, stored);
    Check(alarms.GetSize() == intervals.size() && alarms.LiveCount() == intervals.size(),
          "one alarm per interval item");
    for (std::size_t i = 0; i < alarms.GetSize(); ++i) {
        const AlarmData& a = *alarms.GetAt(i);
        Check(a.count == 0, "a loaded alarm counts from 0");
        Check(a.interval == IntervalValue(intervals[i]), "an interval item reads as atoi");
        Check(a.message == (i < messages.size() ? messages[i] : ""), "messages load in order");
        Check(a.sound >= 0 && a.sound <= 10, "a loaded sound is a sound number");
        if (i < sounds.size())
            for (int n = 0; n <= 10; ++n)
                if (sounds[i] == std::to_string(n)) Check(a.sound == n, "a sound item loads");
        Check(a.warn >= 0 && a.warn <= 60, "a loaded warning is 0..60 minutes");
        if (i < warnings.size())
            for (int n = 1; n <= 60; ++n)
                if (warnings[i] == std::to_string(n)) Check(a.warn == n, "a warning item loads");
    }

    const StoredAlarms saved = SaveAlarms(alarms);
    AlarmDataArray reloaded;
    LoadAlarms(reloaded, saved);
    Check(SaveAlarms(reloaded) == saved, "saved texts load and save to themselves");
}

// Two alarms, the message m and an empty one after it: a separator follows m when it is stored.
bool KeptInTheStoredForm(const std::string& message) {
    AlarmDataArray alarms;
    auto first = std::make_unique<AlarmData>();
    first->message = message;
    alarms.Add(std::move(first));
    auto second = std::make_unique<AlarmData>();
    second->message.clear();
    alarms.Add(std::move(second));
    return SavedAndLoaded(alarms) == Live(alarms);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    StoredAlarms stored;
    stored.intervals = in.ConsumeRandomLengthString(300);
    stored.messages = in.ConsumeRandomLengthString(300);
    stored.sounds = in.ConsumeRandomLengthString(300);
    stored.warnings = in.ConsumeRandomLengthString(300);
    CheckLoad(stored);
    Split(stored.messages, in.ConsumeRandomLengthString(4));

    AlarmDataArray alarms;
    const int count = in.ConsumeIntegralInRange(0, 12);
    for (int i = 0; i < count; ++i) {
        auto alarm = std::make_unique<AlarmData>();
        alarm->interval = in.ConsumeIntegral<std::int32_t>();
        alarm->sound = in.ConsumeIntegralInRange(0, 10);
        alarm->warn = in.ConsumeIntegralInRange(0, 60);
        alarm->count = in.ConsumeIntegral<std::int32_t>();
        alarm->message = in.ConsumeRandomLengthString(100);
        const bool storable = IsStorableAlarmMessage(alarm->message);
        Check(storable == KeptInTheStoredForm(alarm->message),
              "a message passes the check exactly when the stored form keeps it");
        if (!storable) continue;
        const std::size_t slot = alarms.Add(std::move(alarm));
        if (in.ConsumeBool()) alarms.EmptySlot(slot);  // deleted alarms leave their slots
    }
    Check(SavedAndLoaded(alarms) == Live(alarms),
          "storable alarms come back from a save and a load");
    return 0;
}
