// Any Date header a server may send must be read without a fault. A date the reader accepts
// has one of the three forms' exact lengths, and written back in the fixed form it reads again
// to the same second; the header search only ever returns a trimmed piece of one line.
#include <cstdint>
#include <string>
#include <string_view>

#include "core/timesource/http_date.h"
#include "tests/fuzz/fuzz_check.h"

using horolux::fuzz::Check;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 4) return 0;
    // "Now" for the two-digit years: any moment of the years 0100..9899, so that every year the
    // rule picks can be written with four digits.
    const std::uint32_t pick = std::uint32_t{data[0]} << 24 | std::uint32_t{data[1]} << 16 |
                               std::uint32_t{data[2]} << 8 | data[3];
    const std::int64_t now = -59'011'459'200 + static_cast<std::int64_t>(pick) * 72;
    std::string_view text(reinterpret_cast<const char*>(data + 4), size - 4);

    if (const std::optional<std::int64_t> t = horolux::ParseHttpDate(text, now)) {
        const std::size_t n = text.size();
        const bool fixdate = n == 29 && text[3] == ',';
        const bool asctime = n == 24 && text[3] == ' ';
        const bool rfc850 = n >= 30 && n <= 33 && text[n - 4] == ' ';
        Check(fixdate || asctime || rfc850, "an accepted date has one of the forms' lengths");
        const std::string written = horolux::FormatHttpDate(*t);
        Check(written.size() == 29, "an accepted date can be written in the fixed form");
        Check(horolux::ParseHttpDate(written, now) == t, "the written date reads back the same");
        // A fixed date is written back as read, but for the day name (not checked) and a leap
        // second (which moves to the next midnight).
        Check(!fixdate || *t % 86400 == 0 || written.substr(5) == text.substr(5),
              "a fixed date is written back as read");
    }

    if (const std::optional<std::string_view> value = horolux::FindDateHeader(text)) {
        const char* const begin = text.data();
        Check(value->data() >= begin && value->data() + value->size() <= begin + text.size(),
              "the header value lies within the block");
        Check(value->find_first_of("\r\n") == std::string_view::npos,
              "the header value is one line");
        Check(value->empty() || (value->front() != ' ' && value->front() != '\t' &&
                                 value->back() != ' ' && value->back() != '\t'),
              "the header value is trimmed");
    }
    return 0;
}
