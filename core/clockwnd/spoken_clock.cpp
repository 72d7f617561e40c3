#include "core/clockwnd/spoken_clock.h"

#include <algorithm>

#include "core/text/ascii.h"

namespace horolux {

namespace {

constexpr std::string_view kSeparator = "::";

bool IsWholeNumber(std::string_view part) {
    if (!part.empty() && part.front() == '-') part.remove_prefix(1);
    return !part.empty() && std::all_of(part.begin(), part.end(), IsAsciiDigit);
}

std::string Spoken(std::string_view part) {
    if (!IsWholeNumber(part)) return std::string(part);
    return std::string(part) + (part == "1" ? " minute" : " minutes");
}

}  // namespace

std::string SpokenClockText(std::string_view text) {
    if (text.empty()) return "No alarms";
    std::string spoken;
    for (;;) {
        const std::size_t end = text.find(kSeparator);
        spoken += Spoken(text.substr(0, end));
        if (end == std::string_view::npos) return spoken;
        spoken += ", ";
        text.remove_prefix(end + kSeparator.size());
    }
}

}  // namespace horolux
