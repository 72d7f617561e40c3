#pragma once
// The sync's own vocabulary, the same for the program syncing by itself and for the time service:
// a request names its sources as entries read once where they came in (the settings, a text box,
// the pipe), and an answer says how the sync ended and what each of several sources was found
// to be. Words are made of these only where a person or a log reads them.
#include <cstdint>
#include <string>
#include <vector>

#include "core/sync/clock_math.h"
#include "core/timesource/source_entry.h"
#include "core/timesource/source_kind.h"
#include "core/timesource/source_selection.h"

namespace horolux {

// How a sync ended. The numbers travel on the time service's pipe.
enum class SyncStatus : std::uint32_t {
    Ok = 0,               // the clock was set
    ConnectFailed = 1,    // the source could not be reached
    ReadFailed = 2,       // the time page could not be read
    NotRecognised = 3,    // an answer that was refused or unreadable
    ClockRefused = 4,     // the clock could not be set
    LargeCorrection = 5,  // a correction of a day or more was found and not allowed: nothing set
    NotAllowed = 6,       // the source is not on the time service's allow-list
    BadRequest = 7,       // the request could not be read
    Busy = 8,             // the time service is serving another client
};
inline constexpr std::uint32_t kLastSyncStatus = static_cast<std::uint32_t>(SyncStatus::Busy);

struct SyncRequest {
    TimeSource source = TimeSource::Page;
    // The server or web clock (one entry), the Automatic source's list, nothing for the page.
    std::vector<SourceEntry> sources;
    bool allowLargeCorrection = false;  // the user said yes to a correction of a day or more
    // Of several sources, only authenticated answers (NTS, verified HTTPS) may be used.
    bool requireAuthenticated = false;
    // The user asked for this sync and can be asked about a large correction; a sync that started
    // by itself makes one of a day or more only when authenticated sources of two operators agree.
    bool userStarted = false;
    bool operator==(const SyncRequest&) const = default;
};

// One source of several, as the answer reports it.
struct SourceRow {
    std::string name;       // SourceEntryName of the source
    bool measured = false;  // offset, bound and roundTrip are meaningful
    std::int64_t offset = 0, bound = 0, roundTrip = 0;
    SourceVerdict verdict = SourceVerdict::NoAnswer;
    std::string reason;          // why it was refused (Refused only)
    bool authenticated = false;  // Used or Disagrees: its answer was authenticated
    bool operator==(const SourceRow&) const = default;
};

struct SyncAnswer {
    SyncStatus status = SyncStatus::BadRequest;
    bool measured = false;     // offset, bound, roundTrip and requests are meaningful
    SystemTime before, after;  // local times before and after setting (meaningful on Ok)
    std::int64_t offset = 0, bound = 0, roundTrip = 0;  // microseconds
    std::int32_t requests = 0;
    std::string failure;             // in words
    std::vector<SourceRow> sources;  // several sources: each one's measurement and verdict
    bool authenticated = false;      // measured: the offset rests on authenticated answers
    bool operator==(const SyncAnswer&) const = default;
};

inline std::string VerdictText(const SourceRow& row) {
    return VerdictText(row.verdict, row.reason, row.authenticated);
}

}  // namespace horolux
