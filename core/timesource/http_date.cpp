#include "core/timesource/http_date.h"

#include <array>
#include <cstdio>

#include "core/calendar/civil_date.h"
#include "core/text/ascii.h"

namespace horolux {

namespace {

constexpr std::array<std::string_view, 7> kDayNames = {"Mon", "Tue", "Wed", "Thu",
                                                       "Fri", "Sat", "Sun"};
constexpr std::array<std::string_view, 7> kLongDayNames = {
    "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday", "Sunday"};
constexpr std::array<std::string_view, 12> kMonthNames = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                          "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

constexpr std::int64_t kSecondsPerDay = 86400;

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
    std::int64_t q = a / b;
    return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

bool IsLeapYear(std::int64_t y) {
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

unsigned DaysInMonth(std::int64_t y, unsigned m) {
    constexpr unsigned kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && IsLeapYear(y) ? 29 : kDays[m - 1];
}

// Reads the text front to back; every step either matches exactly or fails the reader.
class Reader {
public:
    explicit Reader(std::string_view text) : text_(text) {}

    bool Literal(std::string_view s) {
        if (text_.substr(0, s.size()) != s) return false;
        text_.remove_prefix(s.size());
        return true;
    }

    // Exactly n digits.
    std::optional<int> Digits(std::size_t n) {
        if (text_.size() < n) return std::nullopt;
        int value = 0;
        for (std::size_t i = 0; i < n; ++i) {
            if (text_[i] < '0' || text_[i] > '9') return std::nullopt;
            value = value * 10 + (text_[i] - '0');
        }
        text_.remove_prefix(n);
        return value;
    }

    // Index of the name that stands next.
    template <std::size_t N>
    std::optional<unsigned> Name(const std::array<std::string_view, N>& names) {
        for (unsigned i = 0; i < N; ++i) {
            if (Literal(names[i])) return i;
        }
        return std::nullopt;
    }

    bool AtEnd() const { return text_.empty(); }

private:
    std::string_view text_;
};

struct Fields {
    std::int64_t year = 0;
    int month = 0;  // 1..12
    int day = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;
};

std::optional<Fields> ReadTime(Reader& r, Fields f) {
    std::optional<int> h = r.Digits(2);
    if (!h || !r.Literal(":")) return std::nullopt;
    std::optional<int> m = r.Digits(2);
    if (!m || !r.Literal(":")) return std::nullopt;
    std::optional<int> s = r.Digits(2);
    if (!s) return std::nullopt;
    f.hour = *h, f.minute = *m, f.second = *s;
    return f;
}

// "Sun, 06 Nov 1994 08:49:37 GMT"
std::optional<Fields> ReadImfFixdate(std::string_view text) {
    Reader r(text);
    Fields f;
    if (!r.Name(kDayNames) || !r.Literal(", ")) return std::nullopt;
    std::optional<int> day = r.Digits(2);
    if (!day || !r.Literal(" ")) return std::nullopt;
    std::optional<unsigned> month = r.Name(kMonthNames);
    if (!month || !r.Literal(" ")) return std::nullopt;
    std::optional<int> year = r.Digits(4);
    if (!year || !r.Literal(" ")) return std::nullopt;
    f.day = *day, f.month = static_cast<int>(*month) + 1, f.year = *year;
    std::optional<Fields> t = ReadTime(r, f);
    if (!t || !r.Literal(" GMT") || !r.AtEnd()) return std::nullopt;
    return t;
}

// "Sunday, 06-Nov-94 08:49:37 GMT"
std::optional<Fields> ReadRfc850(std::string_view text, std::int64_t nowYear) {
    Reader r(text);
    Fields f;
    if (!r.Name(kLongDayNames) || !r.Literal(", ")) return std::nullopt;
    std::optional<int> day = r.Digits(2);
    if (!day || !r.Literal("-")) return std::nullopt;
    std::optional<unsigned> month = r.Name(kMonthNames);
    if (!month || !r.Literal("-")) return std::nullopt;
    std::optional<int> yy = r.Digits(2);
    if (!yy || !r.Literal(" ")) return std::nullopt;
    // RFC 9110: a year more than 50 years ahead is the most recent past one with those digits.
    std::int64_t year = nowYear - ((nowYear % 100) + 100) % 100 + *yy;
    if (year > nowYear + 50) year -= 100;
    if (year <= nowYear - 50) year += 100;
    f.day = *day, f.month = static_cast<int>(*month) + 1, f.year = year;
    std::optional<Fields> t = ReadTime(r, f);
    if (!t || !r.Literal(" GMT") || !r.AtEnd()) return std::nullopt;
    return t;
}

// "Sun Nov  6 08:49:37 1994"; the day is two digits or a blank and one digit.
std::optional<Fields> ReadAsctime(std::string_view text) {
    Reader r(text);
    Fields f;
    if (!r.Name(kDayNames) || !r.Literal(" ")) return std::nullopt;
    std::optional<unsigned> month = r.Name(kMonthNames);
    if (!month || !r.Literal(" ")) return std::nullopt;
    std::optional<int> day = r.Literal(" ") ? r.Digits(1) : r.Digits(2);
    if (!day || !r.Literal(" ")) return std::nullopt;
    f.day = *day, f.month = static_cast<int>(*month) + 1;
    std::optional<Fields> t = ReadTime(r, f);
    if (!t || !r.Literal(" ")) return std::nullopt;
    std::optional<int> year = r.Digits(4);
    if (!year || !r.AtEnd()) return std::nullopt;
    t->year = *year;
    return t;
}

std::optional<std::int64_t> ToUnixSeconds(const std::optional<Fields>& f) {
    if (!f) return std::nullopt;
    if (f->day < 1 || static_cast<unsigned>(f->day) > DaysInMonth(f->year, f->month))
        return std::nullopt;
    if (f->hour > 23 || f->minute > 59 || f->second > 60) return std::nullopt;
    if (f->second == 60 && (f->hour != 23 || f->minute != 59)) return std::nullopt;
    const std::int64_t days =
        DaysFromCivil(f->year, static_cast<unsigned>(f->month), static_cast<unsigned>(f->day));
    return days * kSecondsPerDay + f->hour * 3600 + f->minute * 60 + f->second;
}

std::int64_t YearOf(std::int64_t unixSeconds) {
    std::int64_t y = 0;
    unsigned m = 0, d = 0;
    CivilFromDays(FloorDiv(unixSeconds, kSecondsPerDay), y, m, d);
    return y;
}

}  // namespace

std::optional<std::int64_t> ParseHttpDate(std::string_view text, std::int64_t nowUnixSeconds) {
    // The forms differ at the fourth character: ',' (fixdate), ' ' (asctime), a letter (RFC 850).
    if (text.size() < 4) return std::nullopt;
    if (text[3] == ',') return ToUnixSeconds(ReadImfFixdate(text));
    if (text[3] == ' ') return ToUnixSeconds(ReadAsctime(text));
    return ToUnixSeconds(ReadRfc850(text, YearOf(nowUnixSeconds)));
}

std::string FormatHttpDate(std::int64_t unixSeconds) {
    const std::int64_t days = FloorDiv(unixSeconds, kSecondsPerDay);
    const std::int64_t secondOfDay = unixSeconds - days * kSecondsPerDay;
    std::int64_t y = 0;
    unsigned m = 0, d = 0;
    CivilFromDays(days, y, m, d);
    if (y < 0 || y > 9999) return {};
    // 1970-01-01 was a Thursday, index 3 from Monday.
    const auto weekday = static_cast<std::size_t>(((days % 7) + 7 + 3) % 7);
    char text[40];
    std::snprintf(text, sizeof text, "%s, %02u %s %04d %02d:%02d:%02d GMT",
                  kDayNames[weekday].data(), d, kMonthNames[m - 1].data(), static_cast<int>(y),
                  static_cast<int>(secondOfDay / 3600), static_cast<int>(secondOfDay / 60 % 60),
                  static_cast<int>(secondOfDay % 60));
    return text;
}

std::optional<std::string_view> FindDateHeader(std::string_view headers) {
    constexpr std::string_view kName = "date:";
    while (!headers.empty()) {
        const std::size_t end = headers.find('\n');
        std::string_view line = headers.substr(0, end);
        headers = end == std::string_view::npos ? std::string_view{} : headers.substr(end + 1);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (line.empty()) break;  // the end of the header block
        if (line.size() < kName.size()) continue;
        bool match = true;
        for (std::size_t i = 0; i < kName.size(); ++i)
            match = match && AsciiLower(line[i]) == kName[i];
        if (!match) continue;
        const std::string_view value = TrimBlanks(line.substr(kName.size()));
        // A bare CR inside a field is malformed (RFC 9112): no date is read from it.
        if (value.find('\r') != std::string_view::npos) return std::nullopt;
        return value;
    }
    return std::nullopt;
}

}  // namespace horolux
