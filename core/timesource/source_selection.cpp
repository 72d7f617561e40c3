#include "core/timesource/source_selection.h"

#include <algorithm>
#include <optional>
#include <set>
#include <utility>

#include "core/timesource/http_url.h"

namespace horolux {

namespace {

// Second-level names under which anybody may register: an operator's domain is one label longer
// there. The common ones only; an unlisted one makes two operators look like one, which can only
// refuse a result, never accept a wrong one.
constexpr std::string_view kSecondLevelSuffixes[] = {
    "co.uk",  "org.uk", "ac.uk", "gov.uk", "com.au", "net.au", "org.au",
    "edu.au", "co.nz",  "co.jp", "ne.jp",  "or.jp",  "ac.jp",  "com.br",
    "com.cn", "net.cn", "co.za", "co.in",  "com.tw", "co.kr"};

bool IsIpAddress(const std::string& host) {
    if (host.find(':') != std::string::npos) return true;  // IPv6
    return !host.empty() && host.find_first_not_of("0123456789.") == std::string::npos;
}

std::string HostOf(const SourceEntry& entry) {
    if (entry.kind == TimeSource::Page) return kTimePageHostName;
    if (entry.kind == TimeSource::TimeServer || entry.kind == TimeSource::NtsServer)
        return entry.server.host;
    if (const auto parts = SplitHttpUrl(entry.url)) return std::string(parts->host);
    return entry.url;
}

// The last n dot-separated labels of host (all of it when it has fewer).
std::string LastLabels(const std::string& host, int n) {
    std::size_t at = host.size();
    for (int i = 0; i < n; ++i) {
        const std::size_t dot = at == 0 ? std::string::npos : host.rfind('.', at - 1);
        if (dot == std::string::npos) return host;
        at = dot;
    }
    return host.substr(at + 1);
}

}  // namespace

std::string OperatorOf(const SourceEntry& entry) {
    std::string host = HostOf(entry);
    while (!host.empty() && host.back() == '.') host.pop_back();  // a fully qualified name
    // An address, or a name that is no domain at all, is an operator of its own.
    if (host.empty() || IsIpAddress(host)) return SourceEntryText(entry);
    const std::string two = LastLabels(host, 2);
    const bool suffix = std::find(std::begin(kSecondLevelSuffixes), std::end(kSecondLevelSuffixes),
                                  two) != std::end(kSecondLevelSuffixes);
    return suffix ? LastLabels(host, 3) : two;
}

std::string VerdictText(SourceVerdict verdict, const std::string& reason, bool authenticated) {
    switch (verdict) {
        case SourceVerdict::Used:
            return authenticated ? "used (authenticated)" : "used";
        case SourceVerdict::Disagrees:
            return authenticated ? "disagrees (authenticated)" : "disagrees";
        case SourceVerdict::Refused:
            return "refused: " + reason;
        case SourceVerdict::NotAllowed:
            return "not allowed";
        case SourceVerdict::NotAuthenticated:
            return "not authenticated";
        case SourceVerdict::NoAnswer:
        default:
            return "no answer";
    }
}

std::string SeveralSourcesLine(const TimeMeasurement& combined, int used, std::size_t sources) {
    if (combined.outcome != TimeMeasurement::Outcome::Ok)
        return MeasurementLine(combined, "several time sources");
    return "Offset " + OffsetText(combined.offset, combined.bound) + " from " +
           std::to_string(used) + " of " + std::to_string(sources) + " sources";
}

namespace {

std::int64_t Low(const SourceAnswer& a) {
    return a.measurement.offset - std::max<std::int64_t>(a.measurement.bound, 0);
}
std::int64_t High(const SourceAnswer& a) {
    return a.measurement.offset + std::max<std::int64_t>(a.measurement.bound, 0);
}
bool Meets(const SourceAnswer& a, std::int64_t low, std::int64_t high) {
    return Low(a) <= high && low <= High(a);
}

// As NTP selects among group: allowing f of n sources to be wrong, fewer than half, the part of
// the line from the first point where n - f intervals overlap to the last. Wherever the true
// offset lies inside n - f intervals, it lies inside this part, even when two groups of that size
// overlap in different places. Nothing when no majority overlaps.
std::optional<std::pair<std::int64_t, std::int64_t>> MajorityPart(
    const std::vector<SourceAnswer*>& group) {
    // The ends of every interval: -1 where one begins, +1 where one ends. Beginnings sort before
    // ends at one point, so intervals that only touch still share it.
    std::vector<std::pair<std::int64_t, int>> ends;
    for (const SourceAnswer* a : group) {
        ends.emplace_back(Low(*a), -1);
        ends.emplace_back(High(*a), +1);
    }
    std::sort(ends.begin(), ends.end());
    const int n = static_cast<int>(group.size());
    for (int wrong = 0; 2 * wrong < n; ++wrong) {
        const int need = n - wrong;
        std::optional<std::int64_t> low, high;
        int count = 0;
        for (auto e = ends.begin(); e != ends.end() && !low; ++e)
            if ((count -= e->second) >= need) low = e->first;
        count = 0;
        for (auto e = ends.rbegin(); e != ends.rend() && !high; ++e)
            if ((count += e->second) >= need) high = e->first;
        if (low && high && *low <= *high) return std::make_pair(*low, *high);
    }
    return std::nullopt;
}

Selection Disagreed(std::vector<SourceAnswer*>& answered) {
    for (SourceAnswer* a : answered)
        if (a->verdict != SourceVerdict::NotAuthenticated) a->verdict = SourceVerdict::Disagrees;
    Selection selection;
    selection.outcome = Selection::Outcome::Disagreed;
    selection.answered = static_cast<int>(answered.size());
    return selection;
}

}  // namespace

Selection SelectSources(std::vector<SourceAnswer>& answers, bool requireAuthenticated) {
    std::vector<SourceAnswer*> answered, authenticated;
    for (SourceAnswer& a : answers) {
        const TimeMeasurement& m = a.measurement;
        if (m.outcome == TimeMeasurement::Outcome::Ok) {
            answered.push_back(&a);
            if (m.authenticated) authenticated.push_back(&a);
        } else {
            a.verdict = m.outcome == TimeMeasurement::Outcome::Refused ? SourceVerdict::Refused
                                                                       : SourceVerdict::NoAnswer;
        }
    }
    Selection selection;
    selection.answered = static_cast<int>(answered.size());
    if (answered.empty()) return selection;
    if (requireAuthenticated) {
        for (SourceAnswer* a : answered)
            if (!a->measurement.authenticated) a->verdict = SourceVerdict::NotAuthenticated;
        if (authenticated.empty()) {
            selection.outcome = Selection::Outcome::NoneAuthenticated;
            return selection;
        }
    }

    // The authenticated decide among themselves when there are any; their operators need not
    // differ. Otherwise every answer counts, and a result needs two operators' word.
    std::vector<SourceAnswer*>& judged = authenticated.empty() ? answered : authenticated;
    const auto part = MajorityPart(judged);
    if (!part) return Disagreed(answered);
    std::int64_t low = part->first, high = part->second;
    std::set<std::string> operators;
    for (SourceAnswer* a : judged) {
        a->verdict = Meets(*a, low, high) ? SourceVerdict::Used : SourceVerdict::Disagrees;
        if (a->verdict == SourceVerdict::Used) operators.insert(OperatorOf(a->entry));
    }
    if (!authenticated.empty()) {
        // Inside every used authenticated interval; the others are measured against that alone.
        for (SourceAnswer* a : authenticated) {
            if (a->verdict != SourceVerdict::Used) continue;
            low = std::max(low, Low(*a));
            high = std::min(high, High(*a));
        }
        if (low > high) return Disagreed(answered);
        for (SourceAnswer* a : answered)
            if (!a->measurement.authenticated && !requireAuthenticated)
                a->verdict = Meets(*a, low, high) ? SourceVerdict::Used : SourceVerdict::Disagrees;
        selection.authenticated = true;
        selection.authenticatedOperators = static_cast<int>(operators.size());
    } else if (answered.size() >= 2 && operators.size() < 2) {
        return Disagreed(answered);
    }

    std::int64_t shortest = -1;
    for (SourceAnswer* a : answered) {
        if (a->verdict != SourceVerdict::Used) continue;
        ++selection.used;
        if (shortest < 0 || a->measurement.roundTrip < shortest)
            shortest = a->measurement.roundTrip;
    }
    selection.outcome =
        selection.answered == 1 ? Selection::Outcome::Single : Selection::Outcome::Agreed;
    selection.offset = low + (high - low) / 2;
    selection.bound = (high - low + 1) / 2;
    selection.roundTrip = shortest;
    return selection;
}

}  // namespace horolux
