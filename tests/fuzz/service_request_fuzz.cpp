// Any bytes a program may write into the service's pipe must be read without a fault, and a
// request is read only when every field is one the program would write: reading it and writing it
// again gives the same bytes but for the spelling of its sources, and those bytes read as the same
// request.
#include <algorithm>
#include <cstdint>
#include <span>
#include <vector>

#include "core/service/service_protocol.h"
#include "tests/fuzz/fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace horolux::service;
    using horolux::fuzz::Check;
    const std::span<const std::uint8_t> bytes(data, size);
    const RequestRead read = ReadRequest(bytes);
    Check(read.request.has_value() == (read.error == ReadError::None),
          "a request is given exactly when no error is");
    if (!read.request) return 0;
    Check(size == kRequestSize, "only a message of the fixed size reads");
    const std::vector<std::uint8_t> again = EncodeRequest(*read.request);
    Check(std::equal(bytes.begin(), bytes.begin() + 24, again.begin()),
          "a request that reads encodes back to the same header, source and flags");
    const RequestRead reread = ReadRequest(again);
    Check(reread.request == read.request, "and its sources in canonical form read as the same");
    return 0;
}
