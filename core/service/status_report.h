#pragma once
// What "HoroluxTime.exe --status" prints from the service's status answer: lines for a person, or
// one JSON object for a monitoring script, and its exit code.
#include <string>
#include <string_view>

#include "core/service/status_message.h"

namespace horolux::service {

// The status command's exit codes.
inline constexpr int kStatusSynced = 0;       // the last sync set the clock
inline constexpr int kStatusNotSynced = 1;    // it failed, or there was none since the start
inline constexpr int kStatusUnreachable = 2;  // the service could not be asked
int StatusExitCode(const StatusAnswer& status);

// An outcome in a word or two: "ok", "connect failed", "not allowed", ...
const char* SyncStatusName(SyncStatus status);

// Lines for a person, each ending in "\n". Times in Universal Time; offsets as the program's Test
// shows them, with "+/-" for the sign no console code page is sure to have; "(authenticated)"
// after the last sync's source when its offset rests on authenticated answers.
std::string StatusText(const StatusAnswer& status);

// One JSON object on one line, ASCII only. Its texts are taken as UTF-8; a byte that is not is
// written as U+FFFD. Keys: runningSince; allowList {fromPolicy, unreadable, entries, ignored};
// policy {NAME: number, text or list of texts}; lastSync (null when none) {when, for, source,
// outcome, succeeded, failure, offset, bound, authenticated (the offset rests on authenticated
// answers), sources [{name, verdict, offset, bound}]}, offsets and bounds in seconds, null when
// not measured; times as "2026-05-01T12:00:03.250Z".
std::string StatusJson(const StatusAnswer& status);
// The object printed when the service could not be asked: {"error": why}.
std::string UnreachableJson(std::string_view why);

// Microseconds as exact seconds, "-0.000734", "12.500000".
std::string ExactSeconds(std::int64_t micros);
// A moment to the millisecond, "2026-05-01 14:03:09.990".
std::string MomentText(const SystemTime& t);

// text as a JSON string with its quotes: quotes, backslashes and control characters escaped, and
// everything past ASCII as \uXXXX.
std::string JsonString(std::string_view utf8);

}  // namespace horolux::service
