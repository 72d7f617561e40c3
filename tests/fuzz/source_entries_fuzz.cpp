// Any entry text reads without a fault, and one that reads is written back to a text that reads to
// the same entry; the Automatic source's judgement of any set of answers uses only sources whose
// intervals meet its result, and gives one only for a majority.
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
        answers.push_back(a);
    }
    const Selection s = SelectSources(answers);
    int used = 0;
    for (const SourceAnswer& a : answers) {
        if (a.verdict != SourceVerdict::Used) continue;
        ++used;
        const std::int64_t bound = a.measurement.bound < 0 ? 0 : a.measurement.bound;
        Check(a.measurement.offset - bound <= s.offset + s.bound &&
                  s.offset - s.bound <= a.measurement.offset + bound,
              "every used source's interval meets the result");
    }
    Check(used == s.used, "the count of used sources");
    Check((s.outcome == Selection::Outcome::Agreed || s.outcome == Selection::Outcome::Single) ==
              (used > 0),
          "sources are used exactly when a result is given");
    Check(2 * s.used > s.answered || s.used == 0, "a result needs a majority");
    return 0;
}
