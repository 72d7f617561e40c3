// Any bytes the pipe may bring back to the status command must be read without a fault, and a
// status answer is read only when it is exactly one the service would write: reading it and
// writing it again gives the very same bytes. What the command prints of it is one JSON value, and
// so is any text as a JSON string.
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "core/service/status_report.h"
#include "tests/fuzz/fuzz_check.h"
#include "tests/support/json_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace horolux::service;
    using horolux::fuzz::Check;
    const std::span<const std::uint8_t> bytes(data, size);

    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const std::optional<test::Json> string = test::ParseJson(JsonString(text));
    Check(string && string->type == test::Json::Type::String, "any text is one JSON string");

    if (ReadStatusRequest(bytes) == ReadError::None)
        Check(std::vector<std::uint8_t>(bytes.begin(), bytes.end()) == EncodeStatusRequest(),
              "the one status request");

    const StatusRead read = ReadStatusAnswer(bytes);
    Check(read.answer.has_value() == (read.error == ReadError::None),
          "an answer is given exactly when no error is");
    if (!read.answer) return 0;
    Check(size <= kMaxStatusAnswerSize, "no answer over the largest size reads");
    const std::vector<std::uint8_t> again = EncodeStatusAnswer(*read.answer);
    Check(std::vector<std::uint8_t>(bytes.begin(), bytes.end()) == again,
          "an answer that reads encodes back to the same bytes");
    const StatusRead reread = ReadStatusAnswer(again);
    Check(reread.answer && *reread.answer == *read.answer, "and reads back as the same answer");
    const std::optional<test::Json> json = test::ParseJson(StatusJson(*read.answer));
    Check(json && json->type == test::Json::Type::Object, "the JSON output is one object");
    StatusText(*read.answer);
    return 0;
}
