#include "core/controls/number_text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace horolux {
namespace {

constexpr float kInf = std::numeric_limits<float>::infinity();

NumberField SyncInterval() {
    NumberField field;
    field.SetRange(1, 264);
    return field;
}

TEST(ParseNumber, ReadsOneNumberBetweenWhiteSpace) {
    const struct {
        const char* text;
        float value;
    } cases[] = {
        {"5", 5},
        {" 5", 5},
        {"5 ", 5},
        {"\t-3\n", -3},
        {"+7", 7},
        {"1.", 1},
        {".5", 0.5f},
        {"1.25", 1.25f},
        {"1e3", 1000},
        {"1E+2", 100},
        {"2.5e-1", 0.25f},
        {"007", 7},
        {"inf", kInf},
        {"-Infinity", -kInf},
        {"1e39", kInf},
        {"-1e39", -kInf},
        {"1e-60", 0},
        {"123456789e-9", 0.123456789f},
        {"1e99999999999999999999", kInf},
    };
    for (const auto& c : cases) {
        const auto value = ParseNumber(c.text);
        ASSERT_TRUE(value.has_value()) << '"' << c.text << '"';
        EXPECT_EQ(*value, c.value) << '"' << c.text << '"';
    }
    const auto nan = ParseNumber("NaN");
    ASSERT_TRUE(nan.has_value());
    EXPECT_TRUE(std::isnan(*nan));
}

TEST(ParseNumber, RefusesTextsThatAreNotExactlyOneNumber) {
    // A run that only starts a number ("1e", "-", "infin") is no number, as for "%f".
    const char* const cases[] = {
        "",    "   ", "+",   "-",     ".",    "-.",   "1e",    "1e+", "e5",
        "abc", "5a",  "5 5", "1.5.3", "--5",  "+-1",  "infin", "in",  "0x10",
        "1,5", "- 5", "5-",  "na",    "1e5x", "\x01", "5\x01",
    };
    for (const char* text : cases)
        EXPECT_FALSE(ParseNumber(text).has_value()) << '"' << text << '"';
}

TEST(NumberField, ValidityCodesInTheSyncIntervalRange) {
    const NumberField field = SyncInterval();
    const struct {
        const char* text;
        int code;
    } cases[] = {
        {"26", kNumberValid},           {"1", kNumberValid},
        {"264", kNumberValid},          {" 12 ", kNumberValid},
        {"1e2", kNumberValid},          {"264.0", kNumberValid},
        {"265", kNumberOutOfRange},     {"0", kNumberOutOfRange},
        {"-3", kNumberOutOfRange},      {"0.9999", kNumberOutOfRange},
        {"264.001", kNumberOutOfRange}, {"nan", kNumberOutOfRange},
        {"inf", kNumberOutOfRange},     {"-inf", kNumberOutOfRange},
        {"", kNumberInvalid},           {"abc", kNumberInvalid},
        {"12x", kNumberInvalid},        {"- ", kNumberInvalid},
        {" -", kNumberInvalid},         {"+-", kNumberInvalid},
        {"-", kNumberLoneSign},         {"+", kNumberLoneSign},
    };
    for (const auto& c : cases) EXPECT_EQ(field.Check(c.text), c.code) << '"' << c.text << '"';
}

TEST(NumberField, DefaultRangeIsTheWholeFiniteFloatRange) {
    const NumberField field;
    EXPECT_EQ(field.minimum(), -3.4028235e38f);
    EXPECT_EQ(field.maximum(), 3.4028235e38f);
    EXPECT_EQ(field.delta(), 1.0f);
    EXPECT_EQ(field.decimals(), 0);
    EXPECT_EQ(field.Check("-3.4e38"), kNumberValid);
    EXPECT_EQ(field.Check("0"), kNumberValid);
    EXPECT_EQ(field.Check("1e39"), kNumberOutOfRange);
}

TEST(NumberField, ReversedRangeAcceptsNothing) {
    NumberField field;
    field.SetRange(10, 1);
    for (const char* text : {"0", "1", "5", "10", "11"})
        EXPECT_EQ(field.Check(text), kNumberOutOfRange) << text;
    EXPECT_FALSE(field.TextFor(5).has_value());
}

TEST(NumberField, ValueOfAnInvalidTextIsTheMinimum) {
    const NumberField field = SyncInterval();
    const struct {
        const char* text;
        float value;
    } cases[] = {
        {"42", 42}, {" 7", 7}, {"", 1}, {"-", 1}, {"300", 1}, {"0", 1}, {"x", 1}, {"nan", 1},
    };
    for (const auto& c : cases) EXPECT_EQ(field.ValueOf(c.text), c.value) << '"' << c.text << '"';
}

TEST(NumberField, TextForRefusesValuesOutsideTheRange) {
    NumberField field = SyncInterval();
    const struct {
        float value;
        const char* text;
    } cases[] = {
        {26, "26"},
        {1, "1"},
        {264, "264"},
        {0, nullptr},
        {265, nullptr},
        {-3, nullptr},
        {std::numeric_limits<float>::quiet_NaN(), nullptr},
        {kInf, nullptr},
    };
    for (const auto& c : cases) {
        const auto text = field.TextFor(c.value);
        if (c.text) {
            ASSERT_TRUE(text.has_value()) << c.value;
            EXPECT_EQ(*text, c.text);
        } else {
            EXPECT_FALSE(text.has_value()) << c.value;
        }
    }
}

TEST(NumberField, DecimalsGrowWithFormattedValuesAndNeverShrink) {
    NumberField field;
    EXPECT_EQ(field.ConstructFormat(3), "%.0f");
    EXPECT_EQ(field.TextFor(0.5f), "0.5");
    EXPECT_EQ(field.decimals(), 1);
    EXPECT_EQ(field.TextFor(1.25f), "1.25");
    EXPECT_EQ(field.TextFor(3), "3.00");
    EXPECT_EQ(field.TextFor(-7.5f), "-7.50");
    EXPECT_EQ(field.ConstructFormat(2), "%.2f");
    EXPECT_EQ(field.decimals(), 2);
}

TEST(DecimalPlacesOf, CountsThePlacesSixSignificantDigitsShow) {
    const struct {
        float value;
        int places;
    } cases[] = {
        {3, 0},
        {1.25f, 2},
        {0.5f, 1},
        {-2.5f, 1},
        {1.1f, 1},
        {0.1234567f, 6},
        {999999, 0},
        {100000, 0},
        {264, 0},
        // Written with an exponent: the exponent's characters are no decimal places.
        {1.5e-5f, 6},
        {1e-5f, 5},
        {1234567, 0},
        {2.5e7f, 0},
        {kInf, 0},
        {std::numeric_limits<float>::quiet_NaN(), 0},
    };
    for (const auto& c : cases) EXPECT_EQ(DecimalPlacesOf(c.value), c.places) << c.value;
}

TEST(NumberField, SmallValuesWrittenWithAnExponentKeepTheirDigits) {
    NumberField field;
    EXPECT_EQ(field.TextFor(1.5e-5f), "0.000015");
    NumberField large;
    EXPECT_EQ(large.TextFor(1234567), "1234567");
    EXPECT_EQ(large.TextFor(3), "3");
}

TEST(NumberField, SpinStepsAreHeldWithinTheRange) {
    const NumberField field = SyncInterval();
    const struct {
        float from;
        int steps;
        float to;
    } cases[] = {
        {26, 1, 27}, {26, -1, 25},   {264, 1, 264}, {1, -1, 1},
        {1, 5, 6},   {263, 20, 264}, {3, -20, 1},   {264, -1, 263},
    };
    for (const auto& c : cases)
        EXPECT_EQ(field.Stepped(c.from, c.steps), c.to) << c.from << " by " << c.steps;

    NumberField half;
    half.SetRange(0, 2);
    half.set_delta(0.5f);
    EXPECT_EQ(half.Stepped(1, 1), 1.5f);
    EXPECT_EQ(half.Stepped(1, -3), 0.0f);
    EXPECT_EQ(half.TextFor(half.Stepped(1, 1)), "1.5");
}

TEST(NumberField, StepFromAnEmptyTextStartsAtTheMinimum) {
    const NumberField field = SyncInterval();
    EXPECT_EQ(field.Stepped(field.ValueOf(""), 1), 2);
    EXPECT_EQ(field.Stepped(field.ValueOf(""), -1), 1);
    EXPECT_EQ(field.Stepped(field.ValueOf("abc"), 1), 2);
}

TEST(NumberField, KeystrokesThatLeaveAnInvalidTextAreUndone) {
    const struct {
        const char* before;
        const char* after;
        bool rejected;
        const char* restore;  // nullptr: nothing is restored
    } cases[] = {
        {"26", "265", true, "26"},  // out of range
        {"5", "", true, "5"},       // backspace over the only digit
        {"", "-", false, nullptr},  // a lone sign may start a number
        {"-", "-3", true, "1"},     // the lone sign had no value: the minimum comes back
        {"2", "26", false, nullptr},
        {"26", "2", false, nullptr},
        {"26", "26a", true, "26"},
        {"5", "5e", true, "5"},
        {"5", "5.", false, nullptr},
        {"300", "3005", true, "1"},  // an out-of-range text reads as the minimum
        {"abc", "abcd", true, "1"},
        {"", "0", true, "1"},
    };
    for (const auto& c : cases) {
        NumberField field = SyncInterval();
        const auto verdict = field.AfterKeystroke(c.before, c.after);
        EXPECT_EQ(verdict.rejected, c.rejected) << c.before << " -> " << c.after;
        EXPECT_EQ(verdict.restore.has_value(), c.restore != nullptr)
            << c.before << " -> " << c.after;
        if (c.restore && verdict.restore) {
            EXPECT_EQ(*verdict.restore, c.restore);
        }
    }
}

TEST(NumberField, RejectedKeystrokeLeavesTheTextWhenNoValueFitsTheRange) {
    NumberField field;
    field.SetRange(10, 1);  // the minimum itself lies outside
    const auto verdict = field.AfterKeystroke("5", "57");
    EXPECT_TRUE(verdict.rejected);
    EXPECT_FALSE(verdict.restore.has_value());
}

TEST(NumberField, TypedDecimalsWidenLaterTexts) {
    NumberField field;
    field.SetRange(0, 10);
    const char* const steps[] = {"", "1", "1.", "1.2", "1.25"};
    for (int i = 1; i < 5; ++i) EXPECT_FALSE(field.AfterKeystroke(steps[i - 1], steps[i]).rejected);
    EXPECT_EQ(field.decimals(), 2);
    EXPECT_EQ(field.TextFor(3), "3.00");
    // An undone keystroke restores with the widened format.
    EXPECT_EQ(field.AfterKeystroke("4", "45").restore, "4.00");
}

TEST(SpinPosition, ReturnsToTheMiddleNearEitherEnd) {
    const struct {
        int pos, delta, before;
    } cases[] = {
        {500, 1, 500},
        {500, -1, 500},
        {2, 1, 2},
        {1, 1, 500},
        {0, 1, 500},
        {998, 1, 998},
        {999, 1, 500},
        {1000, 1, 500},
        {501, -1, 501},
        {5, 5, 500},
        {6, 5, 6},
        {994, 5, 994},
        {995, 5, 500},
        {994, 20, 500},
        // Steps down carry a negative delta and must not stop at the lower end either.
        {0, -1, 500},
        {1, -1, 500},
        {1000, -1, 500},
        {2, -1, 2},
        {980, -20, 500},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SpinPositionBeforeStep(c.pos, c.delta), c.before) << c.pos << " by " << c.delta;
}

}  // namespace
}  // namespace horolux
