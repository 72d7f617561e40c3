#include "core/timesource/http_date.h"

#include <gtest/gtest.h>

#include <string>

namespace horolux {
namespace {

constexpr std::int64_t kNow2026 = 1'767'225'600;     // 2026-01-01 00:00:00
constexpr std::int64_t kNow2090 = 3'786'912'000;     // 2090-01-01
constexpr std::int64_t kNovember1994 = 784'111'777;  // 1994-11-06 08:49:37

TEST(ParseHttpDate, ReadsTheThreeForms) {
    const struct {
        const char* text;
        std::int64_t want;
    } cases[] = {
        {"Sun, 06 Nov 1994 08:49:37 GMT", kNovember1994},
        {"Sunday, 06-Nov-94 08:49:37 GMT", kNovember1994},
        {"Sun Nov  6 08:49:37 1994", kNovember1994},
        {"Sun Nov 06 08:49:37 1994", kNovember1994},
        {"Thu, 01 Jan 1970 00:00:00 GMT", 0},
        {"Wed, 31 Dec 1969 23:59:59 GMT", -1},
        {"Thu, 29 Feb 2024 12:00:00 GMT", 1'709'208'000},
        {"Tuesday, 29-Feb-00 00:00:00 GMT", 951'782'400},
        {"Tue Feb 29 00:00:00 2000", 951'782'400},
        {"Thu, 01 Jan 2026 00:00:00 GMT", kNow2026},
        {"Thu Jan  1 00:00:00 2026", kNow2026},
        {"Thursday, 01-Jan-26 00:00:00 GMT", kNow2026},
        {"Thu, 07 Feb 2036 06:28:16 GMT", 2'085'978'496},
        {"Fri, 31 Dec 9999 23:59:59 GMT", 253'402'300'799},
        {"Mon, 01 Jan 0001 00:00:00 GMT", -62'135'596'800},
        {"Sat, 31 Dec 2016 23:59:60 GMT", 1'483'228'800},  // leap second: the next midnight
        // The day name is not compared with the date.
        {"Mon, 06 Nov 1994 08:49:37 GMT", kNovember1994},
        {"Fri Nov  6 08:49:37 1994", kNovember1994},
        {"Wednesday, 06-Nov-94 08:49:37 GMT", kNovember1994},
    };
    for (const auto& c : cases) {
        const std::optional<std::int64_t> got = ParseHttpDate(c.text, kNow2026);
        ASSERT_TRUE(got.has_value()) << c.text;
        EXPECT_EQ(*got, c.want) << c.text;
    }
}

TEST(ParseHttpDate, RefusesEveryBadForm) {
    const char* cases[] = {
        "",
        "Sun",
        "Sun,",
        "Sun, 06 Nov 1994 08:49:37 UTC",
        "Sun, 06 Nov 1994 08:49:37 gmt",
        "sun, 06 Nov 1994 08:49:37 GMT",
        "Sun, 06 nov 1994 08:49:37 GMT",
        "Sun, 06 NOV 1994 08:49:37 GMT",
        "Sun, 6 Nov 1994 08:49:37 GMT",
        "Sun,  6 Nov 1994 08:49:37 GMT",
        "Sun, 06 Nov 94 08:49:37 GMT",
        "Sun, 06 Nov 1994 8:49:37 GMT",
        "Sun, 06 Nov 1994 08:49 GMT",
        "Sun, 06 Nov 1994 08:49:37",
        "Sun, 06 Nov 1994 08:49:37 GMT ",
        " Sun, 06 Nov 1994 08:49:37 GMT",
        "Sun,06 Nov 1994 08:49:37 GMT",
        "Sun, 06  Nov 1994 08:49:37 GMT",
        "Sun, 06-Nov-1994 08:49:37 GMT",
        "Sun, 06 Nov 1994 08:49:37 GMT\r",
        "Sun, 06 Nov 1994 08:49:37 +0000",
        "Sun, 06 Nov 1994 08.49.37 GMT",
        "Sun, 06 Nov 1994 08:49:3x GMT",
        "Sun, 0x06 Nov 1994 08:49:37 GMT",
        "Sund, 06 Nov 1994 08:49:37 GMT",
        "Sunday, 06 Nov 1994 08:49:37 GMT",
        "Sun, 06-Nov-94 08:49:37 GMT",
        "Sunday, 06-Nov-1994 08:49:37 GMT",
        "Sunday, 6-Nov-94 08:49:37 GMT",
        "Sunday, 06-Nov-94 08:49:37 UTC",
        "Sunday,06-Nov-94 08:49:37 GMT",
        "Sunday, 06-nov-94 08:49:37 GMT",
        "Sunday, 06 Nov 94 08:49:37 GMT",
        "Sun Nov 6 08:49:37 1994",
        "Sun Nov   6 08:49:37 1994",
        "Sun Nov  6 08:49:37 94",
        "Sun Nov  6 08:49:37 1994 GMT",
        "Sun Nov  6 08:49:37  1994",
        "Sun 06 Nov 08:49:37 1994",
        "Sunday Nov  6 08:49:37 1994",
        "Sun Nov  6 08:49:37 1994 ",
        "Sun Nov  x 08:49:37 1994",
        // Dates and times that do not exist.
        "Wed, 29 Feb 2023 00:00:00 GMT",
        "Thu, 29 Feb 1900 00:00:00 GMT",
        "Mon, 30 Feb 2024 00:00:00 GMT",
        "Thu, 31 Apr 2026 00:00:00 GMT",
        "Tue, 31 Jun 2026 00:00:00 GMT",
        "Tue, 31 Sep 2026 00:00:00 GMT",
        "Tue, 31 Nov 2026 00:00:00 GMT",
        "Tue, 00 Jan 2026 00:00:00 GMT",
        "Tue, 32 Jan 2026 00:00:00 GMT",
        "Tue, 13 Jan 2026 24:00:00 GMT",
        "Tue, 13 Jan 2026 23:60:00 GMT",
        "Tue, 13 Jan 2026 12:00:60 GMT",
        "Tue, 13 Jan 2026 23:59:61 GMT",
        "Tue, 13 Jan 2026 99:99:99 GMT",
        "Wednesday, 29-Feb-23 00:00:00 GMT",
        "Wed Feb 29 00:00:00 2023",
        "Wed Feb  0 00:00:00 2023",
        "Wed Xyz 10 00:00:00 2023",
    };
    for (const char* text : cases) {
        EXPECT_FALSE(ParseHttpDate(text, kNow2026).has_value()) << '"' << text << '"';
    }
}

TEST(ParseHttpDate, RefusesEveryCutOfAGoodDate) {
    for (std::string good : {"Sun, 06 Nov 1994 08:49:37 GMT", "Sunday, 06-Nov-94 08:49:37 GMT",
                             "Sun Nov  6 08:49:37 1994"}) {
        ASSERT_TRUE(ParseHttpDate(good, kNow2026).has_value()) << good;
        for (std::size_t n = 0; n < good.size(); ++n) {
            EXPECT_FALSE(ParseHttpDate(good.substr(0, n), kNow2026).has_value())
                << good.substr(0, n);
            // A NUL in place of any one character is refused as well.
            std::string spoilt = good;
            spoilt[n] = '\0';
            EXPECT_FALSE(ParseHttpDate(spoilt, kNow2026).has_value()) << good << " at " << n;
        }
    }
}

TEST(ParseHttpDate, TwoDigitYearsLieWithinFiftyYearsOfNow) {
    const struct {
        std::int64_t now;
        const char* text;
        std::int64_t want;
    } cases[] = {
        {kNow2026, "Sunday, 06-Nov-94 08:49:37 GMT", kNovember1994},
        {kNow2026, "Monday, 01-Jun-76 00:00:00 GMT", 3'358'195'200},     // 2076: fifty years on
        {kNow2026, "Wednesday, 01-Jun-77 00:00:00 GMT", 233'971'200},    // 2077 is beyond: 1977
        {kNow2090, "Sunday, 01-Jun-10 00:00:00 GMT", 4'431'024'000},     // 2110, not 2010
        {kNow2090, "Saturday, 01-Jun-41 00:00:00 GMT", 2'253'657'600},   // 2041
        {kNow2090, "Wednesday, 01-Jun-40 00:00:00 GMT", 5'377'795'200},  // 2140, not 2040
        {kNow2090, "Monday, 01-Jun-39 00:00:00 GMT", 5'346'172'800},     // 2139, not 2039
        {0, "Sunday, 06-Nov-94 08:49:37 GMT", kNovember1994},
        {0, "Thursday, 01-Jan-70 00:00:00 GMT", 0},
    };
    for (const auto& c : cases) {
        const std::optional<std::int64_t> got = ParseHttpDate(c.text, c.now);
        ASSERT_TRUE(got.has_value()) << c.text;
        EXPECT_EQ(*got, c.want) << c.text << " read at " << c.now;
    }
}

TEST(FormatHttpDate, WritesTheFixedForm) {
    const struct {
        std::int64_t t;
        const char* want;
    } cases[] = {
        {kNovember1994, "Sun, 06 Nov 1994 08:49:37 GMT"},
        {0, "Thu, 01 Jan 1970 00:00:00 GMT"},
        {-1, "Wed, 31 Dec 1969 23:59:59 GMT"},
        {1'709'208'000, "Thu, 29 Feb 2024 12:00:00 GMT"},
        {253'402'300'799, "Fri, 31 Dec 9999 23:59:59 GMT"},
        {-62'167'219'200, "Sat, 01 Jan 0000 00:00:00 GMT"},
        {253'402'300'800, ""},
        {-62'167'219'201, ""},
    };
    for (const auto& c : cases) EXPECT_EQ(FormatHttpDate(c.t), c.want) << c.t;
}

TEST(FormatHttpDate, ReadsBackToTheSameSecond) {
    // Every day's noon across four centuries and a few seconds around each year's end.
    for (std::int64_t t = -2'208'988'800; t < 4'102'444'800; t += 86400 * 7 + 3601) {
        const std::string text = FormatHttpDate(t);
        ASSERT_EQ(ParseHttpDate(text, kNow2026), t) << text;
    }
}

TEST(FindDateHeader, FindsTheFieldCaseInsensitively) {
    const struct {
        const char* name;
        std::string headers;
        const char* want;  // nullptr: none
    } cases[] = {
        {"usual block",
         "HTTP/1.1 200 OK\r\nServer: x\r\nDate: Sun, 06 Nov 1994 08:49:37 GMT\r\n\r\n",
         "Sun, 06 Nov 1994 08:49:37 GMT"},
        {"lower case, no blank", "HTTP/1.1 200 OK\r\ndate:Sun, 06 Nov 1994 08:49:37 GMT\r\n",
         "Sun, 06 Nov 1994 08:49:37 GMT"},
        {"upper case, blanks around", "HTTP/1.1 200 OK\nDATE: \t x \t\nServer: y\n", "x"},
        {"first of two", "HTTP/1.1 200 OK\r\nDate: a\r\nDate: b\r\n\r\n", "a"},
        {"last line without an end", "HTTP/1.1 200 OK\r\nDate: a", "a"},
        {"empty value", "HTTP/1.1 200 OK\r\nDate:\r\n", ""},
        {"none", "HTTP/1.1 200 OK\r\nServer: x\r\n\r\n", nullptr},
        {"empty block", "", nullptr},
        {"only after the block's end", "HTTP/1.1 200 OK\r\n\r\nDate: a\r\n", nullptr},
        {"a longer name", "HTTP/1.1 200 OK\r\nDated: a\r\nX-Date: b\r\n", nullptr},
        {"blank before the colon", "HTTP/1.1 200 OK\r\nDate : a\r\n", nullptr},
        {"continuation line", "HTTP/1.1 200 OK\r\nX: 1\r\n Date: a\r\n", nullptr},
        {"name cut short", "HTTP/1.1 200 OK\r\nDat", nullptr},
        {"bare CR inside the value", "HTTP/1.1 200 OK\r\nDate: Sun,\rGMT\r\n", nullptr},
    };
    for (const auto& c : cases) {
        const std::optional<std::string_view> got = FindDateHeader(c.headers);
        if (c.want == nullptr) {
            EXPECT_FALSE(got.has_value()) << c.name;
        } else {
            ASSERT_TRUE(got.has_value()) << c.name;
            EXPECT_EQ(*got, c.want) << c.name;
        }
    }
}

}  // namespace
}  // namespace horolux
