#include "core/timesource/time_source.h"

#include <charconv>
#include <cstdio>
#include <cstdlib>

#include "core/timesource/http_url.h"
#include "core/timesource/ntp_exchange.h"
#include "core/timesource/source_entry.h"

namespace horolux {
namespace {

// Whole milliseconds of a microsecond count, rounded half away from zero, without overflow.
std::int64_t RoundedMillis(std::int64_t micros) {
    const std::int64_t whole = micros / 1000, rest = micros % 1000;
    if (rest >= 500) return whole + 1;
    if (rest <= -500) return whole - 1;
    return whole;
}

std::string SecondsText(std::int64_t millis, bool sign) {
    const char* prefix = millis < 0 ? "-" : (sign ? "+" : "");
    const std::uint64_t magnitude =
        millis < 0 ? 0 - static_cast<std::uint64_t>(millis) : static_cast<std::uint64_t>(millis);
    char text[48];
    std::snprintf(text, sizeof text, "%s%llu.%03llu", prefix,
                  static_cast<unsigned long long>(magnitude / 1000),
                  static_cast<unsigned long long>(magnitude % 1000));
    return text;
}

// The offset rounded half away from zero to decimals places of a second, with its sign.
std::string SecondsToPlaces(std::int64_t micros, int decimals) {
    std::uint64_t unit = 1, scale = 1;
    for (int i = decimals; i < 6; ++i) unit *= 10;
    for (int i = 0; i < decimals; ++i) scale *= 10;
    const std::uint64_t magnitude =
        micros < 0 ? 0 - static_cast<std::uint64_t>(micros) : static_cast<std::uint64_t>(micros);
    const std::uint64_t units = magnitude / unit + (magnitude % unit * 2 >= unit ? 1 : 0);
    char text[48];
    std::snprintf(text, sizeof text, "%s%llu.%0*llu", micros < 0 ? "-" : "+",
                  static_cast<unsigned long long>(units / scale), decimals,
                  static_cast<unsigned long long>(units % scale));
    return text;
}

std::string Cleaned(std::string field) {
    for (char& c : field)
        if (c == '\t' || c == '\r' || c == '\n' || c == '\0') c = ' ';
    return field;
}

std::optional<std::optional<std::int64_t>> OptionalNumber(std::string_view text) {
    if (text.empty()) return std::optional<std::int64_t>{};
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{} || end != text.data() + text.size()) return std::nullopt;
    return std::optional<std::int64_t>{value};
}

}  // namespace

std::optional<std::string> UrlHost(std::string_view url) {
    if (const auto parts = SplitHttpUrl(url)) return std::string(parts->host);
    return std::nullopt;
}

std::vector<std::string> DefaultAutoSources() {
    return {"nts:time.cloudflare.com",
            "nts:nts.netnod.se",
            "nts:ptbtime1.ptb.de",
            "web:https://www.google.com/generate_204",
            "web:https://www.cloudflare.com/cdn-cgi/trace",
            "server:time.cloudflare.com",
            "server:time.windows.com",
            "server:pool.ntp.org"};
}

std::vector<SourceEntry> DefaultAutoSourceEntries() {
    return ReadSourceEntries(DefaultAutoSources()).entries;
}

TimeSourceChoice SanitiseTimeSource(int source, const std::string& server, const std::string& url,
                                    const std::vector<std::string>& autoSources) {
    TimeSourceChoice choice;
    if (source >= static_cast<int>(TimeSource::TimeServer) &&
        source <= static_cast<int>(TimeSource::Automatic))
        choice.source = static_cast<TimeSource>(source);
    if (const auto parsed = ParseServerText(server); parsed && !server.empty())
        choice.server = server;
    if (UrlHost(url)) choice.webUrl = url;
    std::vector<SourceEntry> entries;
    for (SourceEntry& entry : ReadSourceEntries(autoSources).entries)
        if (entry.kind != TimeSource::Page) entries.push_back(std::move(entry));
    if (!entries.empty()) choice.autoSources = std::move(entries);
    return choice;
}

std::string SourceName(const TimeSourceChoice& choice) {
    switch (choice.source) {
        case TimeSource::TimeServer:
            if (choice.server.empty()) return kDefaultTimeServerText;
            if (const auto entry = SourceEntryOf(TimeSource::TimeServer, choice.server))
                return SourceEntryName(*entry);
            return kDefaultTimeServerText;
        case TimeSource::WebServer:
            if (const auto entry = SourceEntryOf(TimeSource::WebServer, choice.webUrl))
                return SourceEntryName(*entry);
            return {};
        case TimeSource::Automatic:
            return "several time sources";
        case TimeSource::Page:
        default:
            return kTimePageHostName;
    }
}

std::string SourceWelcomeLine(const TimeSourceChoice& choice) {
    switch (choice.source) {
        case TimeSource::TimeServer:
            return "From time server " + SourceName(choice) + ".";
        case TimeSource::WebServer:
            return "From the clock of web server " + SourceName(choice) + ".";
        case TimeSource::Automatic:
            return "From several time sources.";
        case TimeSource::Page:
        default:
            return {};
    }
}

std::string OffsetText(std::int64_t offset, std::int64_t bound) {
    if (bound < 0) bound = 0;
    // The bound is rounded up, so that it never claims more than was measured.
    if (bound <= 900) {
        const std::int64_t tenths = (bound + 99) / 100;
        return SecondsToPlaces(offset, 4) + " s \xB1 0." + std::to_string(tenths) + " ms";
    }
    if (bound <= 999'000) {
        const std::int64_t millis = (bound + 999) / 1000;
        const int decimals = millis < 10 ? 3 : (millis < 100 ? 2 : 1);
        return SecondsToPlaces(offset, decimals) + " s \xB1 " + std::to_string(millis) + " ms";
    }
    return SecondsText(RoundedMillis(offset), true) + " s \xB1 " +
           SecondsText(RoundedMillis(bound), false) + " s";
}

std::string MeasurementLine(const TimeMeasurement& m, const std::string& sourceName) {
    if (m.outcome != TimeMeasurement::Outcome::Ok) return m.failure + " (" + sourceName + ")";
    return "Offset " + OffsetText(m.offset, m.bound) + ", round trip " +
           std::to_string(RoundedMillis(m.roundTrip)) + " ms (" + sourceName +
           (m.authenticated ? ", authenticated)" : ")");
}

bool IsLargeCorrection(std::int64_t offset) {
    return offset > kLargeCorrection || offset < -kLargeCorrection;
}

std::string FormatSyncRecord(const SyncRecord& r) {
    auto number = [](const std::optional<std::int64_t>& v) {
        return v ? std::to_string(*v) : std::string();
    };
    return Cleaned(r.when) + '\t' + Cleaned(r.source) + '\t' + number(r.offset) + '\t' +
           number(r.bound) + '\t' + Cleaned(r.outcome);
}

std::optional<SyncRecord> ParseSyncRecord(std::string_view text) {
    std::vector<std::string_view> fields;
    for (std::size_t start = 0;;) {
        const auto tab = text.find('\t', start);
        fields.push_back(text.substr(start, tab == std::string_view::npos ? tab : tab - start));
        if (tab == std::string_view::npos) break;
        start = tab + 1;
    }
    if (fields.size() != 5) return std::nullopt;
    for (std::string_view f : fields)  // never written so: not one of ours
        if (f.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos)
            return std::nullopt;
    const auto offset = OptionalNumber(fields[2]);
    const auto bound = OptionalNumber(fields[3]);
    if (!offset || !bound || offset->has_value() != bound->has_value()) return std::nullopt;
    SyncRecord r;
    r.when = fields[0];
    r.source = fields[1];
    r.offset = *offset;
    r.bound = *bound;
    r.outcome = fields[4];
    return r;
}

std::vector<SyncRecord> ReadSyncHistory(const std::vector<std::string>& stored) {
    std::vector<SyncRecord> history;
    for (const std::string& s : stored) {
        if (history.size() == kSyncHistorySize) break;
        if (auto r = ParseSyncRecord(s)) history.push_back(std::move(*r));
    }
    return history;
}

std::vector<std::string> AddSyncRecord(const std::vector<SyncRecord>& history,
                                       const SyncRecord& record) {
    std::vector<std::string> stored{FormatSyncRecord(record)};
    for (const SyncRecord& r : history) {
        if (stored.size() == kSyncHistorySize) break;
        stored.push_back(FormatSyncRecord(r));
    }
    return stored;
}

}  // namespace horolux
