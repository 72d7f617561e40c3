// Any bytes the pipe may bring back must be read without a fault, and an answer is read only when
// it is exactly one the service would write: reading it and writing it again gives the very same
// bytes, so every field the program acts on was checked.
#include <cstdint>
#include <span>
#include <vector>

#include "core/service/service_protocol.h"
#include "tests/fuzz/fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace horolux::service;
    using horolux::SourceRow;
    using horolux::SyncAnswer;
    using horolux::fuzz::Check;
    const std::span<const std::uint8_t> bytes(data, size);
    const AnswerRead read = ReadAnswer(bytes);
    Check(read.answer.has_value() == (read.error == ReadError::None),
          "an answer is given exactly when no error is");
    if (!read.answer) return 0;
    const SyncAnswer& a = *read.answer;
    Check(size == (a.sources.empty() ? kAnswerSize : kAnswerWithSourcesSize),
          "only a message of its kind's fixed size reads");
    for (const SourceRow& row : a.sources)
        Check(row.name.size() <= kMaxSourceName && VerdictText(row).size() <= kMaxVerdictText &&
                  row.bound >= 0 && row.roundTrip >= 0,
              "each row fits its areas and has no negative bound");
    Check(a.bound >= 0 && a.roundTrip >= 0 && a.requests >= 0, "no negative bound or count");
    Check(a.failure.size() <= kMaxFailureText, "the failure fits its area");
    const std::vector<std::uint8_t> again = EncodeAnswer(a);
    Check(std::vector<std::uint8_t>(bytes.begin(), bytes.end()) == again,
          "an answer that reads encodes back to the same bytes");
    const AnswerRead reread = ReadAnswer(again);
    Check(reread.answer && *reread.answer == a, "and reads back as the same answer");
    return 0;
}
