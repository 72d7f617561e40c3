#pragma once
// printf-style formatting into a std::string, for the program's fixed message formats, and the
// text conversions the wide Windows calls need.
#include <cstdarg>
#include <cstdio>
#include <string>
#include <string_view>

namespace platform {

[[gnu::format(printf, 1, 2)]] inline std::string Format(const char* fmt, ...) {
    va_list args;
    va_start(args, fmt);
    va_list copy;
    va_copy(copy, args);
    int n = std::vsnprintf(nullptr, 0, fmt, copy);
    va_end(copy);
    std::string out(n > 0 ? static_cast<size_t>(n) : 0, '\0');
    if (n > 0) std::vsnprintf(out.data(), out.size() + 1, fmt, args);
    va_end(args);
    return out;
}

// Text in the ANSI code page, as the wide calls take it; empty when it does not convert.
std::wstring WideFromAnsi(std::string_view ansi);

}  // namespace platform
