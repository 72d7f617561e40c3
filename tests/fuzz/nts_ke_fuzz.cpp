// Any bytes a key establishment server may send are read without a fault: an answer is used only
// with at least one cookie of a usable size, a refusal always says why, and bytes past the End of
// Message never change what was read.
#include <cstdint>
#include <span>
#include <vector>

#include "core/timesource/nts_ke.h"
#include "tests/fuzz/fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace horolux;
    using horolux::fuzz::Check;
    const std::span<const std::uint8_t> bytes(data, size);
    const NtsKeAnswer read = ReadNtsKeAnswer(bytes);
    if (read.outcome == NtsKeAnswer::Outcome::Refused) {
        Check(!read.failure.empty(), "a refusal says why");
        return 0;
    }
    if (read.outcome == NtsKeAnswer::Outcome::Incomplete) {
        Check(size <= kMaxNtsKeAnswer, "an answer past its limit is not waited for");
        return 0;
    }
    Check(!read.cookies.empty() && read.cookies.size() <= kMaxNtsCookies, "cookies to use");
    for (const std::vector<std::uint8_t>& cookie : read.cookies)
        Check(!cookie.empty() && cookie.size() <= kMaxNtsCookieSize, "each of a usable size");
    Check(read.port != 0, "a port to ask");
    std::vector<std::uint8_t> longer(bytes.begin(), bytes.end());
    longer.push_back(0x80);
    const NtsKeAnswer again = ReadNtsKeAnswer(longer);
    Check(again.outcome == read.outcome && again.cookies == read.cookies &&
              again.server == read.server && again.port == read.port,
          "what follows the End of Message is not read");
    return 0;
}
