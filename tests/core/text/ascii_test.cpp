#include "core/text/ascii.h"

#include <gtest/gtest.h>

namespace horolux {
namespace {

TEST(Ascii, CharacterClassesAndCase) {
    // The neighbours of each range, the C locale's whitespace and its near misses, and bytes of
    // the ANSI code page that another locale would call a space or a capital.
    const struct {
        char c;
        bool blank, space, digit;
        char lower;
    } cases[] = {
        {' ', true, true, false, ' '},         {'\t', true, true, false, '\t'},
        {'\n', false, true, false, '\n'},      {'\v', false, true, false, '\v'},
        {'\f', false, true, false, '\f'},      {'\r', false, true, false, '\r'},
        {'\0', false, false, false, '\0'},     {'\x08', false, false, false, '\x08'},
        {'\x1C', false, false, false, '\x1C'}, {'\xA0', false, false, false, '\xA0'},
        {'/', false, false, false, '/'},       {'0', false, false, true, '0'},
        {'9', false, false, true, '9'},        {':', false, false, false, ':'},
        {'@', false, false, false, '@'},       {'A', false, false, false, 'a'},
        {'Z', false, false, false, 'z'},       {'[', false, false, false, '['},
        {'a', false, false, false, 'a'},       {'\xC4', false, false, false, '\xC4'},
    };
    for (const auto& c : cases) {
        const int code = static_cast<unsigned char>(c.c);
        EXPECT_EQ(IsAsciiBlank(c.c), c.blank) << code;
        EXPECT_EQ(IsAsciiSpace(c.c), c.space) << code;
        EXPECT_EQ(IsAsciiDigit(c.c), c.digit) << code;
        EXPECT_EQ(AsciiLower(c.c), c.lower) << code;
    }
}

TEST(Ascii, TextsTrimmedAndLowered) {
    const struct {
        std::string_view text, trimmed, lower;
    } cases[] = {
        {"", "", ""},
        {" \t ", "", " \t "},
        {"\tPage \t", "Page", "\tpage \t"},
        {"a b", "a b", "a b"},
        {"\nX\r", "\nX\r", "\nx\r"},  // only space and tab are blanks
        {"TIME.Windows.COM", "TIME.Windows.COM", "time.windows.com"},
        {"\xC4ON", "\xC4ON", "\xC4on"},
        {std::string_view("N\0 ", 3), std::string_view("N\0", 2), std::string_view("n\0 ", 3)},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(TrimBlanks(c.text), c.trimmed) << c.text;
        EXPECT_EQ(AsciiLower(c.text), c.lower) << c.text;
    }
}

}  // namespace
}  // namespace horolux
