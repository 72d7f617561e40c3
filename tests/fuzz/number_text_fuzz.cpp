// The number field's rules for any typed text and any range, step and value: a text reads as the
// C library reads one decimal number, a value's text reads back as the value to the digits "%G"
// shows, a step stays in the range, a keystroke is kept or rejected as the validity says, and the
// spin position is never left within one step of its ends.
#include <fuzzer/FuzzedDataProvider.h>

#include <bit>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>

#include "core/controls/number_text.h"
#include "tests/fuzz/fuzz_check.h"

namespace {

using namespace horolux;
using fuzz::Check;

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// strtof where it reads what the field reads: decimal numbers, inf, infinity and nan. Texts with
// what strtof reads beyond that (hexadecimal, "nan(...)") or a NUL it would stop at are left out.
bool Comparable(const std::string& text) {
    return text.find_first_of(std::string("xX(\0", 4)) == std::string::npos;
}

std::optional<float> ReadAsStrtof(const std::string& text) {
    char* end = nullptr;
    errno = 0;
    const float value = std::strtof(text.c_str(), &end);
    if (end == text.c_str()) return std::nullopt;
    while (IsSpace(*end)) ++end;
    if (*end != '\0') return std::nullopt;
    return value;
}

bool Same(float a, float b) {
    return (std::isnan(a) && std::isnan(b)) ||
           std::bit_cast<std::uint32_t>(a) == std::bit_cast<std::uint32_t>(b);
}

float AnyFloat(FuzzedDataProvider& in) {
    return std::bit_cast<float>(in.ConsumeIntegral<std::uint32_t>());
}

// The text of value reads back as value, to the six digits "%G" shows (it holds at least those).
void CheckTextFor(NumberField& field, float value) {
    const std::uint8_t decimalsBefore = field.decimals();
    const std::optional<std::string> text = field.TextFor(value);
    Check(text.has_value() == field.InRange(value), "a value gets a text when it is in range");
    Check(field.decimals() >= decimalsBefore, "decimals are never lowered");
    if (!text) return;
    Check(field.decimals() >= DecimalPlacesOf(value), "decimals rise to the value's places");
    const std::optional<float> back = ParseNumber(*text);
    Check(back.has_value(), "a value's text reads as a number");
    if (std::isinf(value)) {
        Check(*back == value, "infinity's text reads back");
        return;
    }
    const double error = std::fabs(double{*back} - double{value});
    Check(error <= 6e-6 * std::fabs(double{value}), "a value's text keeps its %G digits");
    const std::size_t point = text->find('.');
    const std::size_t shown = point == std::string::npos ? 0 : text->size() - point - 1;
    Check(shown == field.decimals(), "the text shows the field's decimals");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    const std::string text = in.ConsumeRandomLengthString(64);
    const std::string before = in.ConsumeRandomLengthString(32);

    const std::optional<float> parsed = ParseNumber(text);
    if (Comparable(text)) {
        const std::optional<float> reference = ReadAsStrtof(text);
        Check(parsed.has_value() == reference.has_value(), "a text is a number as strtof says");
        if (parsed) Check(Same(*parsed, *reference), "a number reads as strtof reads it");
    }

    NumberField field;
    if (in.ConsumeBool()) field.SetRange(AnyFloat(in), AnyFloat(in));
    if (in.ConsumeBool()) field.set_delta(AnyFloat(in));

    const int validity = field.Check(text);
    Check(validity >= kNumberValid && validity <= kNumberLoneSign, "a validity code");
    Check((validity == kNumberLoneSign) == (text == "+" || text == "-"), "a lone sign");
    Check((validity == kNumberInvalid) == (!parsed && validity != kNumberLoneSign),
          "a text without one number is invalid");
    if (validity == kNumberValid) {
        Check(field.InRange(*parsed), "a valid number is in range");
        Check(Same(field.ValueOf(text), *parsed), "a valid text's value is its number");
    } else {
        Check(Same(field.ValueOf(text), field.minimum()), "an invalid text's value is the minimum");
    }

    CheckTextFor(field, AnyFloat(in));
    if (parsed) CheckTextFor(field, *parsed);

    const float value = AnyFloat(in);
    const int steps = in.ConsumeIntegral<int>();
    const float stepped = field.Stepped(value, steps);
    if (field.minimum() <= field.maximum() && !std::isnan(stepped))
        Check(stepped >= field.minimum() && stepped <= field.maximum(), "a step stays in range");

    const std::uint8_t decimalsBefore = field.decimals();
    const int afterValidity = field.Check(text);
    const std::optional<std::string> previousText =
        NumberField(field).TextFor(field.ValueOf(before));
    const NumberField::KeystrokeVerdict verdict = field.AfterKeystroke(before, text);
    Check(verdict.rejected == (afterValidity != kNumberValid && afterValidity != kNumberLoneSign),
          "a keystroke is rejected when the text is neither valid nor a lone sign");
    Check(!verdict.restore || verdict.rejected, "only a rejected keystroke restores");
    if (verdict.rejected) Check(verdict.restore == previousText, "the previous value is restored");
    Check(field.decimals() >= decimalsBefore, "a keystroke never lowers the decimals");

    const int pos = in.ConsumeIntegral<int>(), delta = in.ConsumeIntegral<int>();
    const std::int64_t step = std::llabs(std::int64_t{delta});
    const bool clear = pos - step > kSpinLower && pos + step < kSpinUpper;
    Check(SpinPositionBeforeStep(pos, delta) == (clear ? pos : kSpinMiddle),
          "the spin position is put back to the middle within one step of an end");
    return 0;
}
