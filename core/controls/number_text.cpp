#include "core/controls/number_text.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

#include "core/text/ascii.h"

namespace horolux {
namespace {

// How many characters of word (lower case) stand at s[pos], ignoring case.
std::size_t Matched(std::string_view s, std::size_t pos, std::string_view word) {
    std::size_t n = 0;
    while (n < word.size() && pos + n < s.size() && AsciiLower(s[pos + n]) == word[n]) ++n;
    return n;
}

// The power of ten of the first non-zero digit of a decimal number text such as "0.05e3".
long DecimalMagnitude(std::string_view body) {
    long intDigits = 0;
    long firstNonZero = -1;
    long index = 0;
    bool afterPoint = false;
    std::size_t i = 0;
    for (; i < body.size() && body[i] != 'e' && body[i] != 'E'; ++i) {
        if (body[i] == '.') {
            afterPoint = true;
            continue;
        }
        if (!afterPoint) ++intDigits;
        if (body[i] != '0' && firstNonZero < 0) firstNonZero = index;
        ++index;
    }
    if (firstNonZero < 0) return std::numeric_limits<long>::min() / 2;
    long exponent = 0;
    if (i < body.size()) {
        ++i;
        const bool negative = i < body.size() && body[i] == '-';
        if (i < body.size() && (body[i] == '+' || body[i] == '-')) ++i;
        for (; i < body.size(); ++i) exponent = std::min(exponent * 10 + (body[i] - '0'), 1000000L);
        if (negative) exponent = -exponent;
    }
    return intDigits - 1 - firstNonZero + exponent;
}

struct Scanned {
    std::size_t end;
    float value;
};

// One number from pos on, as "%f" reads it: the longest run of characters that starts a number,
// which fails when the run is not a whole number.
std::optional<Scanned> ScanNumber(std::string_view s, std::size_t pos) {
    bool negative = false;
    if (pos < s.size() && (s[pos] == '+' || s[pos] == '-')) {
        negative = s[pos] == '-';
        ++pos;
    }
    const float sign = negative ? -1.0f : 1.0f;

    if (const std::size_t n = Matched(s, pos, "inf"); n > 0) {
        if (n < 3) return std::nullopt;
        pos += 3;
        const std::size_t more = Matched(s, pos, "inity");
        if (more == 5) {
            pos += 5;
        } else if (more > 0) {
            return std::nullopt;
        }
        return Scanned{pos, sign * std::numeric_limits<float>::infinity()};
    }
    if (const std::size_t n = Matched(s, pos, "nan"); n > 0) {
        if (n < 3) return std::nullopt;
        return Scanned{pos + 3, std::numeric_limits<float>::quiet_NaN()};
    }

    const std::size_t start = pos;
    std::size_t digits = 0;
    for (; pos < s.size() && IsAsciiDigit(s[pos]); ++pos) ++digits;
    if (pos < s.size() && s[pos] == '.') {
        for (++pos; pos < s.size() && IsAsciiDigit(s[pos]); ++pos) ++digits;
    }
    if (digits == 0) return std::nullopt;
    if (pos < s.size() && (s[pos] == 'e' || s[pos] == 'E')) {
        ++pos;
        if (pos < s.size() && (s[pos] == '+' || s[pos] == '-')) ++pos;
        std::size_t exponentDigits = 0;
        for (; pos < s.size() && IsAsciiDigit(s[pos]); ++pos) ++exponentDigits;
        if (exponentDigits == 0) return std::nullopt;
    }

    const std::string_view body = s.substr(start, pos - start);
    float value = 0.0f;
    const auto [end, ec] = std::from_chars(body.data(), body.data() + body.size(), value);
    if (ec == std::errc::result_out_of_range) {
        // Too large for a float reads as infinity, too small as zero, as strtof gives them.
        value = DecimalMagnitude(body) >= 0 ? std::numeric_limits<float>::infinity() : 0.0f;
    } else if (ec != std::errc{} || end != body.data() + body.size()) {
        return std::nullopt;
    }
    return Scanned{pos, sign * value};
}

}  // namespace

std::optional<float> ParseNumber(std::string_view text) {
    std::size_t pos = 0;
    while (pos < text.size() && IsAsciiSpace(text[pos])) ++pos;
    const auto number = ScanNumber(text, pos);
    if (!number) return std::nullopt;
    pos = number->end;
    while (pos < text.size() && IsAsciiSpace(text[pos])) ++pos;
    if (pos != text.size()) return std::nullopt;  // a second field was read
    return number->value;
}

int DecimalPlacesOf(float value) {
    if (!std::isfinite(value)) return 0;
    char text[64];
    std::snprintf(text, sizeof text, "%G", static_cast<double>(value));
    const std::string_view t(text);
    const std::size_t e = t.find('E');
    const std::string_view mantissa = t.substr(0, e);
    const std::size_t point = mantissa.find('.');
    long places =
        point == std::string_view::npos ? 0 : static_cast<long>(mantissa.size() - point - 1);
    // The exponent moves the point: its characters are no decimal places.
    if (e != std::string_view::npos) places -= std::strtol(text + e + 1, nullptr, 10);
    return static_cast<int>(std::clamp(places, 0L, 255L));
}

int NumberField::Check(std::string_view text) const {
    if (text == "+" || text == "-") return kNumberLoneSign;
    const auto value = ParseNumber(text);
    if (!value) return kNumberInvalid;
    return InRange(*value) ? kNumberValid : kNumberOutOfRange;
}

float NumberField::ValueOf(std::string_view text) const {
    if (Check(text) != kNumberValid) return minimum_;
    return *ParseNumber(text);
}

std::string NumberField::ConstructFormat(float value) {
    decimals_ = static_cast<std::uint8_t>(std::max<int>(decimals_, DecimalPlacesOf(value)));
    return "%." + std::to_string(decimals_) + "f";
}

std::optional<std::string> NumberField::TextFor(float value) {
    if (!InRange(value)) return std::nullopt;
    ConstructFormat(value);
    const double v = value;
    const int length = std::snprintf(nullptr, 0, "%.*f", int{decimals_}, v);
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    std::snprintf(text.data(), text.size(), "%.*f", int{decimals_}, v);
    text.resize(static_cast<std::size_t>(length));
    return text;
}

float NumberField::Stepped(float value, int steps) const {
    const float next = value + static_cast<float>(steps) * delta_;
    if (next > maximum_) return maximum_;
    if (next < minimum_) return minimum_;
    return next;
}

NumberField::KeystrokeVerdict NumberField::AfterKeystroke(std::string_view before,
                                                          std::string_view after) {
    const float previous = ValueOf(before);
    switch (Check(after)) {
        case kNumberValid:
            ConstructFormat(ValueOf(after));  // typed decimals widen later texts
            return {};
        case kNumberLoneSign:
            return {};
        default:
            return {true, TextFor(previous)};
    }
}

int SpinPositionBeforeStep(int pos, int delta) {
    // Steps down come with a negative delta: the distance to the ends counts either way.
    const long long step = std::llabs(static_cast<long long>(delta));
    if (pos <= step || pos >= kSpinUpper - step) return kSpinMiddle;
    return pos;
}

}  // namespace horolux
