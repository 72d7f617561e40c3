#pragma once
// The Date header of an HTTP answer (RFC 9110): a strict reader of the three forms a server may
// send, the fixed form written back, and the search for the header in a raw header block.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace horolux {

// Unix seconds of a date in one of the forms, or nothing:
//   IMF-fixdate  "Sun, 06 Nov 1994 08:49:37 GMT"
//   RFC 850      "Sunday, 06-Nov-94 08:49:37 GMT"
//   asctime      "Sun Nov  6 08:49:37 1994"
// Names are case-sensitive, every blank and digit count is exact, the day must exist in its
// month, 23:59:60 (a leap second) is taken as the next day's 00:00:00. The day name is not
// compared with the date: RFC 9110 asks recipients to be lenient there and the date decides.
// A two-digit year is placed in the century that puts it at most 50 years after
// nowUnixSeconds's year and less than 50 before it.
std::optional<std::int64_t> ParseHttpDate(std::string_view text, std::int64_t nowUnixSeconds);

// The IMF-fixdate of a moment; empty for a year outside 0000..9999.
std::string FormatHttpDate(std::int64_t unixSeconds);

// The value of the first "Date" field (name case-insensitive) in a header block, lines ended by
// CRLF or LF, up to the first empty line; blanks around the value removed. A value holding a
// bare CR gives nothing.
std::optional<std::string_view> FindDateHeader(std::string_view headers);

}  // namespace horolux
