// Any entry text reads without a fault, and one that reads is written back to a text that reads to
// the same entry; the Automatic source's judgement of any set of answers uses only sources whose
// intervals meet its result, gives one only for a majority of the sources it judges (the
// authenticated when any answered), and keeps it inside every used authenticated interval.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <string>
#include <vector>

#include "core/timesource/source_selection.h"
#include "tests/fuzz/fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace horolux;
    using horolux::fuzz::Check;
    FuzzedDataProvider in(data, size);

    std::vector<SourceAnswer> answers;
    const int count = in.ConsumeIntegralInRange(0, 8);
    for (int i = 0; i < count; ++i) {
        const std::string text = in.ConsumeRandomLengthString(96);
        const auto entry = ReadSourceEntry(text);
        if (entry) {
            const auto again = ReadSourceEntry(SourceEntryText(*entry));
            Check(again && *again == *entry, "an entry's text reads back to the entry");
            Check(!OperatorOf(*entry).empty() && !SourceEntryName(*entry).empty(),
                  "every entry has an operator and a name");
        }
        SourceAnswer a;
        if (entry) a.entry = *entry;
        a.measurement.outcome =
            static_cast<TimeMeasurement::Outcome>(in.ConsumeIntegralInRange(0, 2));
        // Offsets and bounds of any size a measurement can give: within a century.
        constexpr std::int64_t kCentury = 100LL * 366 * 86400 * 1000000;
        a.measurement.offset = in.ConsumeIntegralInRange<std::int64_t>(-kCentury, kCentury);
        a.measurement.bound = in.ConsumeIntegralInRange<std::int64_t>(-1, kCentury);
        a.measurement.authenticated = in.ConsumeBool();
        answers.push_back(a);
    }
    const bool required = in.ConsumeBool();
    const Selection s = SelectSources(answers, required);
    int used = 0, judged = 0, usedJudged = 0;
    bool anyAuthenticated = false;
    for (const SourceAnswer& a : answers)
        anyAuthenticated |=
            a.measurement.outcome == TimeMeasurement::Outcome::Ok && a.measurement.authenticated;
    for (const SourceAnswer& a : answers) {
        const bool inJudged = a.measurement.outcome == TimeMeasurement::Outcome::Ok &&
                              (a.measurement.authenticated || !anyAuthenticated);
        judged += inJudged;
        if (a.verdict != SourceVerdict::Used) continue;
        ++used;
        usedJudged += inJudged;
        Check(a.measurement.authenticated || !required, "only authenticated sources when required");
        const std::int64_t bound = a.measurement.bound < 0 ? 0 : a.measurement.bound;
        Check(a.measurement.offset - bound <= s.offset + s.bound &&
                  s.offset - s.bound <= a.measurement.offset + bound,
              "every used source's interval meets the result");
        Check(!a.measurement.authenticated || (a.measurement.offset - bound <= s.offset &&
                                               s.offset <= a.measurement.offset + bound),
              "the result lies inside every used authenticated interval");
    }
    Check(s.authenticated == (used > 0 && anyAuthenticated), "an authenticated result says so");
    Check(used == s.used, "the count of used sources");
    Check((s.outcome == Selection::Outcome::Agreed || s.outcome == Selection::Outcome::Single) ==
              (used > 0),
          "sources are used exactly when a result is given");
    Check(2 * usedJudged > judged || s.used == 0, "a result needs a majority of those judged");
    return 0;
}
