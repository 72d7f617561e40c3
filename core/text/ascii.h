#pragma once
// ASCII character classes and case as the C locale has them, whatever locale the process runs
// in: a byte of the ANSI code page above 0x7F is never a blank, a digit or a capital here.
#include <string>
#include <string_view>

namespace horolux {

// Space or tab: the blanks around a header value or a typed entry.
constexpr bool IsAsciiBlank(char c) {
    return c == ' ' || c == '\t';
}

// The six characters isspace takes: what "%d" and "%f" skip.
constexpr bool IsAsciiSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

constexpr bool IsAsciiDigit(char c) {
    return c >= '0' && c <= '9';
}

constexpr char AsciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

inline std::string AsciiLower(std::string_view text) {
    std::string lower(text);
    for (char& c : lower) c = AsciiLower(c);
    return lower;
}

// The text without the blanks (space, tab) at either end.
constexpr std::string_view TrimBlanks(std::string_view text) {
    while (!text.empty() && IsAsciiBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsAsciiBlank(text.back())) text.remove_suffix(1);
    return text;
}

}  // namespace horolux
