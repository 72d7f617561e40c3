#pragma once
// The number field's rules without a window: which texts hold one number, whether it lies in the
// range, how a value is written back with its decimal places, how a spin step moves it, and where
// the up-down's own position is put back so that it never runs into its ends.
#include <cfloat>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace horolux {

// What CNumEdit::IsValid answers for a text.
enum NumberValidity : int {
    kNumberValid = 0,       // one number within [minimum, maximum]
    kNumberOutOfRange = 1,  // one number outside the range (a not-a-number too)
    kNumberInvalid = 2,     // empty, letters, trailing characters, more than one number
    kNumberLoneSign = 3,    // a lone "+" or "-": the start of a number being typed
};

// Reads text as "%f%s" does when it reads exactly one field: optional white space, one decimal
// number (or inf, infinity, nan), then nothing but white space. A sequence that only starts a
// number ("1e", "1e+", ".", "-") is no number. Values beyond the float range become ±infinity.
std::optional<float> ParseNumber(std::string_view text);

// "%G" of the value, then the decimal places that text stands for ("1.25" → 2, "1.5E-05" → 6,
// "1.23457E+06" → 0).
int DecimalPlacesOf(float value);

// The number field's state: the fewest decimals shown, the spin step and the range.
class NumberField {
public:
    // Its validity code for text.
    int Check(std::string_view text) const;
    // The text's number when the text is valid, otherwise the minimum.
    float ValueOf(std::string_view text) const;
    bool InRange(float value) const { return !(value > maximum_) && value >= minimum_; }

    // The fixed-point format ("%.2f") for value; raises decimals to the value's decimal places.
    std::string ConstructFormat(float value);
    // The text for value, or nothing when value lies outside the range. Raises decimals as
    // ConstructFormat does.
    std::optional<std::string> TextFor(float value);
    // value + steps × delta held within the range.
    float Stepped(float value, int steps) const;

    // A typed character turned the text before into after. Either keep after, or the keystroke
    // is rejected: then restore holds the previous value's text, or nothing when that value
    // itself is outside the range (the typed text then stays).
    struct KeystrokeVerdict {
        bool rejected = false;
        std::optional<std::string> restore;
    };
    KeystrokeVerdict AfterKeystroke(std::string_view before, std::string_view after);

    std::uint8_t decimals() const { return decimals_; }
    float delta() const { return delta_; }
    void set_delta(float delta) { delta_ = delta; }
    float minimum() const { return minimum_; }
    float maximum() const { return maximum_; }
    // No check that minimum ≤ maximum: an empty range simply accepts nothing.
    void SetRange(float minimum, float maximum) {
        minimum_ = minimum;
        maximum_ = maximum;
    }

private:
    std::uint8_t decimals_ = 0;  // raised, never lowered
    float delta_ = 1.0f;
    float minimum_ = -FLT_MAX;
    float maximum_ = FLT_MAX;
};

// A space never reaches the number field.
inline bool IsSwallowedChar(unsigned ch) {
    return ch == ' ';
}

// The up-down's own position: it runs from 0 to 1000 and is put back to the middle whenever a
// step would bring it within one step of either end, so it never stops at an end.
inline constexpr int kSpinLower = 0;
inline constexpr int kSpinUpper = 1000;
inline constexpr int kSpinMiddle = 500;
// The position the up-down should hold before a step of delta from pos is applied.
int SpinPositionBeforeStep(int pos, int delta);

}  // namespace horolux
