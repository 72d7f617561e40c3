#include "core/timesource/time_source.h"

#include <gtest/gtest.h>

namespace horolux {
namespace {

TEST(TimeSourceChoice, StoredValuesAreMadeSafe) {
    const TimeSourceChoice defaults;
    EXPECT_EQ(SanitiseTimeSource(0, "", ""), defaults)
        << "nothing stored: the page and the defaults";
    for (int odd : {-1, 3, 1000})
        EXPECT_EQ(SanitiseTimeSource(odd, "", "").source, TimeSource::Page) << odd;
    EXPECT_EQ(SanitiseTimeSource(1, "", "").source, TimeSource::TimeServer);
    EXPECT_EQ(SanitiseTimeSource(2, "", "").source, TimeSource::WebServer);

    EXPECT_EQ(SanitiseTimeSource(1, "127.0.0.1:12300", "").server, "127.0.0.1:12300");
    EXPECT_EQ(SanitiseTimeSource(1, "ntp.example.org", "").server, "ntp.example.org");
    for (const char* bad : {"host:99999", "a b", ":123", "host:"})
        EXPECT_EQ(SanitiseTimeSource(1, bad, "").server, kDefaultTimeServerText) << bad;

    EXPECT_EQ(SanitiseTimeSource(2, "", "https://example.org/").webUrl, "https://example.org/");
    EXPECT_EQ(SanitiseTimeSource(2, "", "HTTP://Example.org").webUrl, "HTTP://Example.org");
    for (const char* bad :
         {"ftp://example.org/", "example.org", "http://", "http:///x", "http://a b/"})
        EXPECT_EQ(SanitiseTimeSource(2, "", bad).webUrl, kDefaultTimeWebUrl) << bad;
}

TEST(TimeSourceChoice, HostsAndTheWelcomeLineNameTheSource) {
    EXPECT_EQ(UrlHost("http://www.example.com"), "www.example.com");
    EXPECT_EQ(UrlHost("https://user:pw@www.example.com:8443/x?y#z"), "www.example.com");
    EXPECT_EQ(UrlHost("http://[::1]:8080/"), "::1");
    EXPECT_EQ(UrlHost("http://127.0.0.1:8080?x"), "127.0.0.1");
    EXPECT_FALSE(UrlHost("http://[::1/"));
    EXPECT_EQ(UrlHost(kDefaultTimeWebUrl), "www.msftconnecttest.com");

    TimeSourceChoice c;
    EXPECT_EQ(SourceWelcomeLine(c), "") << "the page keeps its own text";
    EXPECT_EQ(SourceName(c), "tycho.usno.navy.mil");
    c.source = TimeSource::TimeServer;
    c.server = "time.example.org:12300";
    EXPECT_EQ(SourceWelcomeLine(c), "From time server time.example.org.");
    c.source = TimeSource::WebServer;
    c.webUrl = "https://www.example.com/index.html";
    EXPECT_EQ(SourceWelcomeLine(c), "From the clock of web server www.example.com.");
}

TEST(TimeMeasurement, TheTestLineShowsOffsetBoundAndRoundTripInMilliseconds) {
    TimeMeasurement m;
    m.outcome = TimeMeasurement::Outcome::Ok;
    m.offset = 734'400;
    m.bound = 11'600;
    m.roundTrip = 23'500;
    EXPECT_EQ(MeasurementLine(m, "time.windows.com"),
              "Offset +0.734 s \xB1 0.012 s, round trip 24 ms (time.windows.com)");
    m.offset = -1'999'500;  // rounds away from zero
    EXPECT_EQ(OffsetText(m.offset, 0), "-2.000 s \xB1 0.000 s");
    EXPECT_EQ(OffsetText(-400, 400), "+0.000 s \xB1 0.000 s") << "under half a millisecond";
    EXPECT_EQ(OffsetText(INT64_MIN, INT64_MAX), "-9223372036854.776 s \xB1 9223372036854.776 s");

    m.outcome = TimeMeasurement::Outcome::Refused;
    m.failure = "The server refused to answer (kiss-o'-death RATE)";
    EXPECT_EQ(MeasurementLine(m, "ntp.example.org"),
              "The server refused to answer (kiss-o'-death RATE) (ntp.example.org)");
}

TEST(TimeMeasurement, OnlyCorrectionsBeyondADayAreLarge) {
    EXPECT_FALSE(IsLargeCorrection(kLargeCorrection));
    EXPECT_FALSE(IsLargeCorrection(-kLargeCorrection));
    EXPECT_TRUE(IsLargeCorrection(kLargeCorrection + 1));
    EXPECT_TRUE(IsLargeCorrection(INT64_MIN));
}

TEST(SyncHistory, RecordsGoBackAndForthAndOddOnesAreLeftOut) {
    const SyncRecord measured{" 2026-12-08  04:53:21", "time.windows.com", 734000, 12000,
                              " PC clock changed successfully "};
    const SyncRecord page{" 2026-12-08  05:00:00", "tycho.usno.navy.mil", std::nullopt,
                          std::nullopt, " Unrecognized communication error! "};
    for (const SyncRecord& r : {measured, page}) EXPECT_EQ(ParseSyncRecord(FormatSyncRecord(r)), r);
    EXPECT_EQ(
        FormatSyncRecord(page),
        " 2026-12-08  05:00:00\ttycho.usno.navy.mil\t\t\t Unrecognized communication error! ");

    SyncRecord tabs = measured;
    tabs.source = "a\tb\nc";
    EXPECT_EQ(ParseSyncRecord(FormatSyncRecord(tabs))->source, "a b c")
        << "no field breaks the record";

    for (const char* odd : {"", "a\tb\tc\td", "a\tb\t1\t\tx", "a\tb\tx\t1\tc", "a\tb\t1\t2\tc\td",
                            "a\tb\t99999999999999999999\t1\tc", "a\r\tb\t\t\tc"})
        EXPECT_FALSE(ParseSyncRecord(odd)) << odd;
}

TEST(SyncHistory, TheNewestComesFirstAndOnlyTwentyAreKept) {
    std::vector<SyncRecord> history;
    for (int i = 0; i < 25; ++i) {
        SyncRecord r{std::to_string(i), "s", i, 1, "ok"};
        history = ReadSyncHistory(AddSyncRecord(history, r));
    }
    ASSERT_EQ(history.size(), kSyncHistorySize);
    EXPECT_EQ(history.front().when, "24");
    EXPECT_EQ(history.back().when, "5");

    std::vector<std::string> stored = {"junk", FormatSyncRecord({"1", "s", 1, 1, "ok"})};
    stored.insert(stored.end(), 30, FormatSyncRecord({"2", "s", 2, 2, "ok"}));
    const auto read = ReadSyncHistory(stored);
    EXPECT_EQ(read.size(), kSyncHistorySize);
    EXPECT_EQ(read.front().when, "1") << "the unreadable string is left out";
}

}  // namespace
}  // namespace horolux
