#pragma once
// What the pipe's messages share (core/service/service_protocol.h and status_message.h describe
// them): the magic and header fields, and the rules every text and time in them follows.
#include <cstddef>
#include <cstdint>
#include <string>

#include "core/sync/clock_math.h"

namespace horolux::service::fields {

inline constexpr std::uint8_t kRequestMagic[4] = {'H', 'L', 'X', 'Q'};
inline constexpr std::uint8_t kAnswerMagic[4] = {'H', 'L', 'X', 'A'};

// Header fields.
inline constexpr std::size_t kVersionAt = 4;
inline constexpr std::size_t kKindAt = 6;
inline constexpr std::size_t kSizeAt = 8;
inline constexpr std::size_t kReservedAt = 12;

// A text holds no NUL and no control character.
inline bool TextByte(std::uint8_t c) {
    return c >= 0x20 && c != 0x7F;
}

// The text cut to capacity, its control characters written as blanks, so that it reads back.
inline std::string Printable(const std::string& text, std::size_t capacity) {
    std::string printable = text.substr(0, capacity);
    for (char& c : printable)
        if (!TextByte(static_cast<unsigned char>(c))) c = ' ';
    return printable;
}

// A time Windows would set: every field in range (year 1601 to 30827, a day the month has).
inline bool TimeInRange(const SystemTime& t) {
    constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (t.wYear < 1601 || t.wYear > 30827 || t.wMonth < 1 || t.wMonth > 12) return false;
    const bool leap = (t.wYear % 4 == 0 && t.wYear % 100 != 0) || t.wYear % 400 == 0;
    const int days = t.wMonth == 2 && leap ? 29 : kDays[t.wMonth - 1];
    return t.wDayOfWeek <= 6 && t.wDay >= 1 && t.wDay <= days && t.wHour <= 23 && t.wMinute <= 59 &&
           t.wSecond <= 59 && t.wMilliseconds <= 999;
}

inline bool TimeIsZero(const SystemTime& t) {
    return t.wYear == 0 && t.wMonth == 0 && t.wDayOfWeek == 0 && t.wDay == 0 && t.wHour == 0 &&
           t.wMinute == 0 && t.wSecond == 0 && t.wMilliseconds == 0;
}

}  // namespace horolux::service::fields
