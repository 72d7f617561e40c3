#include "core/timesource/time_source.h"

#include <gtest/gtest.h>

namespace horolux {
namespace {

TEST(TimeSourceChoice, StoredValuesAreMadeSafe) {
    const TimeSourceChoice defaults;
    EXPECT_EQ(SanitiseTimeSource(0, "", ""), defaults)
        << "nothing stored: the page and the defaults";
    // NtsServer is an entry's kind only: a stored 4 is a number nobody writes.
    for (int odd : {-1, static_cast<int>(TimeSource::NtsServer), 1000})
        EXPECT_EQ(SanitiseTimeSource(odd, "", "").source, TimeSource::Page) << odd;
    EXPECT_EQ(SanitiseTimeSource(1, "", "").source, TimeSource::TimeServer);
    EXPECT_EQ(SanitiseTimeSource(2, "", "").source, TimeSource::WebServer);
    EXPECT_EQ(SanitiseTimeSource(3, "", "").source, TimeSource::Automatic);
    EXPECT_EQ(SourceEntryTexts(
                  SanitiseTimeSource(3, "", "", {"page", "bad", "web:ftp://x/"}).autoSources),
              DefaultAutoSources())
        << "a list with no readable server or web clock is the default one";
    EXPECT_EQ(SanitiseTimeSource(3, "", "", {"x", " server:127.0.0.1:12300 ", "page"}).autoSources,
              std::vector<SourceEntry>{*ReadSourceEntry("server:127.0.0.1:12300")});
    EXPECT_EQ(SourceEntryTexts(
                  SanitiseTimeSource(3, "", "", {"NTS:Nts.Example.org:4460", "nts:"}).autoSources),
              std::vector<std::string>{"nts:nts.example.org"});
    // A list stored before NTS servers were defaults loads as it was stored.
    const std::vector<std::string> older = {
        "server:time.cloudflare.com", "server:time.windows.com", "server:pool.ntp.org",
        "web:https://www.google.com/generate_204", "web:https://www.cloudflare.com/cdn-cgi/trace"};
    EXPECT_EQ(SourceEntryTexts(SanitiseTimeSource(3, "", "", older).autoSources), older);

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

TEST(TimeSourceChoice, TheDefaultListStartsWithNtsServersOfThreeOperators) {
    const std::vector<std::string> list = DefaultAutoSources();
    ASSERT_EQ(list.size(), 8u);
    EXPECT_EQ(std::vector<std::string>(list.begin(), list.begin() + 3),
              (std::vector<std::string>{"nts:time.cloudflare.com", "nts:nts.netnod.se",
                                        "nts:ptbtime1.ptb.de"}));
    EXPECT_EQ(SourceEntryTexts(DefaultAutoSourceEntries()), list) << "canonical, and all read";
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
    EXPECT_EQ(SourceWelcomeLine(c), "From time server time.example.org:12300.")
        << "a port tells two servers on one host apart";
    c.server = "Time.Example.org:123";
    EXPECT_EQ(SourceName(c), "time.example.org");
    c.source = TimeSource::WebServer;
    c.webUrl = "https://www.example.com/index.html";
    EXPECT_EQ(SourceWelcomeLine(c), "From the clock of web server www.example.com.");
    c.webUrl = "http://127.0.0.1:8080/";
    EXPECT_EQ(SourceName(c), "127.0.0.1:8080");
    c.source = TimeSource::Automatic;
    EXPECT_EQ(SourceWelcomeLine(c), "From several time sources.");
}

TEST(TimeMeasurement, TheTestLineShowsOffsetBoundAndRoundTripInMilliseconds) {
    TimeMeasurement m;
    m.outcome = TimeMeasurement::Outcome::Ok;
    m.offset = 734'400;
    m.bound = 11'600;
    m.roundTrip = 23'500;
    EXPECT_EQ(MeasurementLine(m, "time.windows.com"),
              "Offset +0.73 s \xB1 12 ms, round trip 24 ms (time.windows.com)");
    m.authenticated = true;
    EXPECT_EQ(MeasurementLine(m, "time.cloudflare.com"),
              "Offset +0.73 s \xB1 12 ms, round trip 24 ms (time.cloudflare.com, authenticated)");
    m.authenticated = false;
    // The bound rounded up, the offset (half away from zero) to the bound's precision.
    const struct {
        std::int64_t offset, bound;
        const char* text;
    } cases[] = {
        {734'000, 400, "+0.7340 s \xB1 0.4 ms"},
        {-400, 301, "-0.0004 s \xB1 0.4 ms"},
        {-1'999'950, 0, "-2.0000 s \xB1 0.0 ms"},
        {734'400, 901, "+0.734 s \xB1 1 ms"},
        {734'500, 9'999, "+0.73 s \xB1 10 ms"},
        {-734'999, 10'001, "-0.73 s \xB1 11 ms"},
        {1'250'000, 250'000, "+1.3 s \xB1 250 ms"},
        {60'000'000, 999'000, "+60.0 s \xB1 999 ms"},
        {-1'999'500, 1'000'000, "-2.000 s \xB1 1.000 s"},
        {INT64_MIN, INT64_MAX, "-9223372036854.776 s \xB1 9223372036854.776 s"},
        {INT64_MIN, 5, "-9223372036854.7758 s \xB1 0.1 ms"},
    };
    for (const auto& c : cases) EXPECT_EQ(OffsetText(c.offset, c.bound), c.text) << c.offset;

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
