// Any bytes a program may write into the service's pipe must be read without a fault, and a
// request is read only when it is exactly one the program would write: reading it and writing it
// again gives the very same bytes, so no two messages mean the same request.
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
    Check(read.request->text.size() <= kMaxSourceText, "the text fits its area");
    const std::vector<std::uint8_t> again = EncodeRequest(*read.request);
    Check(std::vector<std::uint8_t>(bytes.begin(), bytes.end()) == again,
          "a request that reads encodes back to the same bytes");
    return 0;
}
