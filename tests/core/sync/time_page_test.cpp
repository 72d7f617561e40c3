#include "core/sync/time_page.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace horolux {
namespace {

// The text the fetch hands over: the body over 1024 blanks, at most 1024 bytes of it.
std::string FetchBuffer(const std::string& body) {
    std::string buffer(kTimePageSize, ' ');
    buffer.replace(0, std::min(body.size(), kTimePageSize), body.substr(0, kTimePageSize));
    return buffer;
}

// A text of length n filled with fill, with piece written at index at.
std::string TextWith(std::size_t n, char fill, std::size_t at, const std::string& piece) {
    std::string text(n, fill);
    text.replace(at, piece.size(), piece);
    return text;
}

struct Hms {
    int hour, minute, second;
};

void ExpectTime(const UniversalTimeOfDay& r, Hms want, const std::string& label) {
    ASSERT_EQ(r.outcome, TimePageOutcome::Ok) << label;
    EXPECT_EQ(r.utc.wHour, want.hour) << label;
    EXPECT_EQ(r.utc.wMinute, want.minute) << label;
    EXPECT_EQ(r.utc.wSecond, want.second) << label;
}

TEST(ParseUniversalTime, ReadsTheFieldsInFrontOfTheFirstMarker) {
    // Digits everywhere else prove that only p-11, p-8 and p-5 are read, two characters each.
    std::string atForty = TextWith(1024, '9', 29, "21:12:07xxxUniversal");
    std::string twoMarkers = atForty;
    twoMarkers.replace(189, 20, "03:04:05   Universal");
    const struct {
        const char* name;
        std::string text;
        Hms want;
    } cases[] = {
        {"marker at index 40", atForty, {21, 12, 7}},
        {"first of two markers counts", twoMarkers, {21, 12, 7}},
        {"the page's own layout",
         FetchBuffer("<HTML><PRE>\n<BR>Dec. 07, 2026,   19:44:30   Universal Time\n"),
         {19, 44, 30}},
        {"300-byte body over blanks",
         FetchBuffer(TextWith(300, '.', 100, "05:06:59   Universal")),
         {5, 6, 59}},
        {"300-byte body alone", TextWith(300, '.', 100, "05:06:59   Universal"), {5, 6, 59}},
        {"marker ends at byte 1024",
         TextWith(1024, ' ', 1004, "11:22:33   Universal"),
         {11, 22, 33}},
        {"text longer than the page",
         TextWith(2000, ' ', 1004, "11:22:33   Universal"),
         {11, 22, 33}},
    };
    for (const auto& c : cases) ExpectTime(ParseUniversalTime(c.text), c.want, c.name);
}

TEST(ParseUniversalTime, MissingMarkerIsNotRecognised) {
    std::string nulFirst = FetchBuffer("21:12:07   Universal");
    nulFirst[3] = '\0';  // the buffer ends at its first NUL: the marker behind it is not seen
    const struct {
        const char* name;
        std::string text;
    } cases[] = {
        {"empty", ""},
        {"blank page", FetchBuffer("")},
        {"lower case", FetchBuffer("21:12:07   universal")},
        {"upper case", FetchBuffer("21:12:07   UNIVERSAL")},
        {"cut short", FetchBuffer("21:12:07   Universa")},
        {"marker at byte 1100", TextWith(1200, ' ', 1089, "21:12:07   Universal")},
        {"marker across byte 1024", TextWith(1200, ' ', 1009, "21:12:07   Universal")},
        {"marker behind a NUL", nulFirst},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ParseUniversalTime(c.text).outcome, TimePageOutcome::NotRecognised) << c.name;
    }
}

TEST(ParseUniversalTime, FieldsReadTheWayAtoiReads) {
    const struct {
        const char* piece;
        int want;  // as the 16-bit field holds it
    } cases[] = {
        {" 7", 7},  {"7:", 7}, {"ab", 0}, {"-3", 65533}, {"+4", 4}, {"09", 9},
        {"\t8", 8}, {"  ", 0}, {"- ", 0}, {"-0", 0},     {"1a", 1}, {"a1", 0},
        {"\n5", 5}, {"--", 0}, {"+-", 0}, {"99", 99},
    };
    for (const auto& c : cases) {
        std::string base = "00:00:00   Universal";
        for (std::size_t field : {0u, 3u, 6u}) {
            std::string body = base;
            body.replace(field, 2, c.piece);
            UniversalTimeOfDay r = ParseUniversalTime(FetchBuffer(body));
            ASSERT_EQ(r.outcome, TimePageOutcome::Ok) << c.piece;
            const std::uint16_t got[] = {r.utc.wHour, r.utc.wMinute, r.utc.wSecond};
            for (std::size_t i = 0; i < 3; ++i) {
                EXPECT_EQ(got[i], i * 3 == field ? c.want : 0)
                    << '"' << c.piece << "\" in field " << field << ", read field " << i;
            }
        }
    }
}

TEST(ParseUniversalTime, StartsInFrontOfTheTextAreRaisedToZero) {
    const struct {
        const char* name;
        std::string body;
        Hms want;
    } cases[] = {
        // Every start lies before the text: all three come from the first two characters.
        {"marker at index 5", "12345Universal", {12, 12, 12}},
        {"marker at index 0", "Universal 01:02:03", {0, 0, 0}},
        {"marker at index 1", "7Universal", {7, 7, 7}},
        // Only the hour's start is before the text.
        {"marker at index 9", "12345678xUniversal", {12, 23, 56}},
        {"marker at index 10", "0123456789Universal", {1, 23, 56}},
        {"marker at index 11", "01234567890Universal", {1, 34, 67}},
    };
    for (const auto& c : cases) {
        ExpectTime(ParseUniversalTime(FetchBuffer(c.body)), c.want, c.name);
        ExpectTime(ParseUniversalTime(c.body), c.want, std::string(c.name) + ", unpadded");
    }
}

TEST(ParseUniversalTime, NeverReadsBeyondTheGivenText) {
    // Exact-size heap copies without a terminating NUL: the sanitizers see any overread.
    const struct {
        const char* name;
        std::string text;
        TimePageOutcome want;
    } cases[] = {
        {"marker alone", "Universal", TimePageOutcome::Ok},
        {"one character and the marker", "1Universal", TimePageOutcome::Ok},
        {"marker fills the page's end", std::string(1015, 'x') + "Universal", TimePageOutcome::Ok},
        {"marker's first letter last", std::string(1023, 'x') + "U",
         TimePageOutcome::NotRecognised},
        {"long text without marker", std::string(2048, 'U'), TimePageOutcome::NotRecognised},
    };
    for (const auto& c : cases) {
        auto copy = std::make_unique<char[]>(c.text.size());
        std::copy(c.text.begin(), c.text.end(), copy.get());
        EXPECT_EQ(ParseUniversalTime(std::string_view(copy.get(), c.text.size())).outcome, c.want)
            << c.name;
    }
}

}  // namespace
}  // namespace horolux
