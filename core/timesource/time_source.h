#pragma once
// Which clock the program syncs from, as the user chose it and as it is stored, what a
// measurement of a source found, and the list of the last syncs.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/timesource/source_entry.h"
#include "core/timesource/source_kind.h"

namespace horolux {

// The historic time page's server; the page is reached only through it.
inline constexpr char kTimePageHostName[] = "tycho.usno.navy.mil";
inline constexpr char kDefaultTimeServerText[] = "time.windows.com";
// Windows itself fetches this page to tell whether a network reaches the Internet, so it answers
// wherever Windows says "Internet access"; it is tiny, and plain HTTP keeps a TLS handshake out of
// the timed round trips.
inline constexpr char kDefaultTimeWebUrl[] = "http://www.msftconnecttest.com/connecttest.txt";

// The Automatic source's servers and web clocks when the user has chosen none, in the syntax of
// core/timesource/source_entry.h: NTS servers of three operators first, time servers of three,
// and two web clocks of two more whose Date is made for each answer rather than served from a
// cache (the README says why these).
std::vector<std::string> DefaultAutoSources();
std::vector<SourceEntry> DefaultAutoSourceEntries();

struct TimeSourceChoice {
    TimeSource source = TimeSource::Page;
    std::string server = kDefaultTimeServerText;
    std::string webUrl = kDefaultTimeWebUrl;
    std::vector<SourceEntry> autoSources = DefaultAutoSourceEntries();  // servers and web clocks
    // Automatic uses only authenticated answers (NTS, HTTPS the certificate vouches for).
    bool requireAuthenticated = false;
    bool operator==(const TimeSourceChoice&) const = default;
};

// The stored values made safe: an unknown source number is the page, a server text that does not
// read as one and a URL that is not http:// or https:// with a host are the defaults. The
// Automatic list is read into entries here, once: those that do not read as a time server, NTS
// server or web clock are left out, and a list left empty is the default one.
TimeSourceChoice SanitiseTimeSource(int source, const std::string& server, const std::string& url,
                                    const std::vector<std::string>& autoSources = {});

// The host of an http:// or https:// URL ("www.example.com" of "https://www.example.com:8443/x"),
// or nothing.
std::optional<std::string> UrlHost(std::string_view url);

// The welcome text's line naming a source other than the page: "From time server NAME.", "From
// the clock of web server NAME." or "From several time sources."; empty for the page.
std::string SourceWelcomeLine(const TimeSourceChoice& choice);
// The source as the history and the Test line name it: "time.windows.com", "www.example.com",
// with the port when one is given ("127.0.0.1:12125"), "several time sources", or the page's
// host.
std::string SourceName(const TimeSourceChoice& choice);

// What one measurement of a time server or web-server clock found. Times in microseconds; the
// offset is the source's clock minus the PC's.
struct TimeMeasurement {
    enum class Outcome { Ok, Unreachable, Refused };
    Outcome outcome = Outcome::Unreachable;
    std::int64_t offset = 0;
    std::int64_t bound = 0;
    std::int64_t roundTrip = 0;
    int requests = 0;
    std::string failure;  // in words, for Test and the history, when not Ok
    // The answer came over NTS and its authenticator verified, or over HTTPS on a connection whose
    // certificate Windows accepted for the host; for several sources, the result rests on such.
    bool authenticated = false;
};

// "Offset +0.734 s \xB1 0.012 s, round trip 24 ms (time.windows.com)", "(time.cloudflare.com,
// authenticated)" for an authenticated answer, or the failure in words with the source's name. The
// plus-minus sign is the one of the program's ANSI code page.
std::string MeasurementLine(const TimeMeasurement& m, const std::string& sourceName);
// An offset and its bound: "+0.734 s \xB1 1.250 s" for a bound of a second or more, else the bound
// in milliseconds, rounded up, and the offset to the bound's precision: "+0.73 s \xB1 12 ms",
// "+0.7340 s \xB1 0.4 ms".
std::string OffsetText(std::int64_t offset, std::int64_t bound);

// A correction larger than this is asked about when the user started the sync, and refused
// when it was automatic.
inline constexpr std::int64_t kLargeCorrection = 24LL * 3600 * 1000000;
bool IsLargeCorrection(std::int64_t offset);

// One line of the sync history, newest first in the stored list.
struct SyncRecord {
    std::string when;                           // the time text of the sync
    std::string source;                         // SourceName of the source
    std::optional<std::int64_t> offset, bound;  // microseconds, when measured
    std::string outcome;                        // the status text the sync ended with
    bool operator==(const SyncRecord&) const = default;
};

inline constexpr std::size_t kSyncHistorySize = 20;

// The stored form, one string per record: the fields joined by tabs, offset and bound as
// decimal microseconds or empty. Tabs and line breaks inside a field become blanks.
std::string FormatSyncRecord(const SyncRecord& record);
// A stored string back to its record; nothing for a string of another shape.
std::optional<SyncRecord> ParseSyncRecord(std::string_view text);
// The stored list read back: unreadable strings are left out, at most kSyncHistorySize kept.
std::vector<SyncRecord> ReadSyncHistory(const std::vector<std::string>& stored);
// The list with record put first, cut to kSyncHistorySize, in its stored form.
std::vector<std::string> AddSyncRecord(const std::vector<SyncRecord>& history,
                                       const SyncRecord& record);

}  // namespace horolux
