#include "core/sync/time_page.h"

#include <algorithm>
#include <cstdint>

#include "core/text/ascii.h"

namespace horolux {

namespace {

// Distances of the fields' first characters in front of the marker; each field is 2 long.
constexpr std::ptrdiff_t kHourBack = 11;
constexpr std::ptrdiff_t kMinuteBack = 8;
constexpr std::ptrdiff_t kSecondBack = 5;
constexpr std::size_t kFieldLength = 2;

// The page as received: a buffer of kTimePageSize characters ends at its first NUL.
std::string_view ExaminedText(std::string_view text) {
    text = text.substr(0, std::min(text.size(), kTimePageSize));
    return text.substr(0, std::min(text.find('\0'), text.size()));
}

// A start in front of the text is raised to 0 with the length kept.
std::string_view Field(std::string_view text, std::ptrdiff_t start) {
    std::size_t from = static_cast<std::size_t>(std::max<std::ptrdiff_t>(start, 0));
    if (from >= text.size()) return {};
    return text.substr(from, kFieldLength);
}

// atoi on a piece of at most a few characters: blanks, an optional sign, then digits.
int ReadLikeAtoi(std::string_view piece) {
    std::size_t i = 0;
    while (i < piece.size() && IsAsciiSpace(piece[i])) ++i;
    bool negative = false;
    if (i < piece.size() && (piece[i] == '+' || piece[i] == '-')) negative = piece[i++] == '-';
    int value = 0;
    while (i < piece.size() && piece[i] >= '0' && piece[i] <= '9')
        value = value * 10 + (piece[i++] - '0');
    return negative ? -value : value;
}

std::uint16_t ReadField(std::string_view text, std::ptrdiff_t start) {
    return static_cast<std::uint16_t>(ReadLikeAtoi(Field(text, start)));
}

}  // namespace

UniversalTimeOfDay ParseUniversalTime(std::string_view text) {
    text = ExaminedText(text);
    UniversalTimeOfDay result;
    std::size_t found = text.find(kUniversalMarker);
    if (found == std::string_view::npos) return result;

    auto p = static_cast<std::ptrdiff_t>(found);
    result.outcome = TimePageOutcome::Ok;
    result.utc.wHour = ReadField(text, p - kHourBack);
    result.utc.wMinute = ReadField(text, p - kMinuteBack);
    result.utc.wSecond = ReadField(text, p - kSecondBack);
    return result;
}

}  // namespace horolux
