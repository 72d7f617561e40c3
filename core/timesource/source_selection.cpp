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
            return authenticated ? "used (NTS)" : "used";
        case SourceVerdict::Disagrees:
            return "disagrees";
        case SourceVerdict::Refused:
            return "refused: " + reason;
        case SourceVerdict::NotAllowed:
            return "not allowed";
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

Selection SelectSources(std::vector<SourceAnswer>& answers) {
    Selection selection;
    // The ends of every answer's interval: -1 where one begins, +1 where one ends. Beginnings sort
    // before ends at one point, so intervals that only touch still share it.
    std::vector<std::pair<std::int64_t, int>> ends;
    for (SourceAnswer& a : answers) {
        const TimeMeasurement& m = a.measurement;
        if (m.outcome == TimeMeasurement::Outcome::Ok) {
            ++selection.answered;
            const std::int64_t bound = std::max<std::int64_t>(m.bound, 0);
            ends.emplace_back(m.offset - bound, -1);
            ends.emplace_back(m.offset + bound, +1);
        } else {
            a.verdict = m.outcome == TimeMeasurement::Outcome::Refused ? SourceVerdict::Refused
                                                                       : SourceVerdict::NoAnswer;
        }
    }
    if (selection.answered == 0) return selection;
    std::sort(ends.begin(), ends.end());

    // As NTP selects: allowing f of n sources to be wrong, fewer than half, the part of the line
    // from the first point where n - f intervals overlap to the last. Wherever the true offset
    // lies inside n - f intervals, it lies inside this part, even when two groups of that size
    // overlap in different places.
    const int n = selection.answered;
    std::optional<std::int64_t> low, high;
    for (int wrong = 0; 2 * wrong < n && !(low && high && *low <= *high); ++wrong) {
        const int need = n - wrong;
        low.reset();
        high.reset();
        int count = 0;
        for (auto e = ends.begin(); e != ends.end() && !low; ++e)
            if ((count -= e->second) >= need) low = e->first;
        count = 0;
        for (auto e = ends.rbegin(); e != ends.rend() && !high; ++e)
            if ((count += e->second) >= need) high = e->first;
    }
    std::set<std::string> operators;
    std::int64_t shortest = -1;
    const bool found = low && high && *low <= *high;
    for (SourceAnswer& a : answers) {
        const TimeMeasurement& m = a.measurement;
        if (m.outcome != TimeMeasurement::Outcome::Ok) continue;
        const std::int64_t bound = std::max<std::int64_t>(m.bound, 0);
        const bool meets = found && m.offset - bound <= *high && *low <= m.offset + bound;
        a.verdict = meets ? SourceVerdict::Used : SourceVerdict::Disagrees;
        if (!meets) continue;
        ++selection.used;
        operators.insert(OperatorOf(a.entry));
        if (shortest < 0 || m.roundTrip < shortest) shortest = m.roundTrip;
    }
    const bool operatorsAgree = n < 2 || operators.size() >= 2;
    if (!found || !operatorsAgree) {
        for (SourceAnswer& a : answers)
            if (a.verdict == SourceVerdict::Used) a.verdict = SourceVerdict::Disagrees;
        selection.outcome = Selection::Outcome::Disagreed;
        selection.used = 0;
        return selection;
    }
    selection.outcome = n == 1 ? Selection::Outcome::Single : Selection::Outcome::Agreed;
    selection.offset = *low + (*high - *low) / 2;
    selection.bound = (*high - *low + 1) / 2;
    selection.roundTrip = shortest;
    return selection;
}

}  // namespace horolux
