#pragma once
// The status command's messages over the time service's pipe ("HoroluxTime.exe --status"): a
// status request and an answer that tells how the service stands. Written and read as strictly as
// the sync messages (service_protocol.h), whose header, texts and times they share; the answer
// holds lists, so its size is its own, checked against the header and a largest size.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "core/service/service_protocol.h"
#include "core/settings/policy.h"

namespace horolux::service {

inline constexpr std::uint16_t kKindStatusRequest = 4;
inline constexpr std::uint16_t kKindStatusAnswer = 5;

inline constexpr std::size_t kMaxStatusText = 1024;   // an entry, user name or source name
inline constexpr std::size_t kMaxStatusEntries = 32;  // of each list
inline constexpr std::size_t kMaxPolicyValues = 16;   // the policy table has fewer
inline constexpr std::size_t kMaxPolicyName = 64;

// One value the administrators' policy holds (core/settings/policy.h), as the program reads it.
struct PolicyValue {
    std::string name;
    policy::Kind kind = policy::Kind::Number;
    std::int32_t number = 0;         // a number's value; 0 for the others
    std::vector<std::string> texts;  // a text's one text, a list's entries; none for a number
    bool operator==(const PolicyValue&) const = default;
};

// The service's last sync, kept in memory only.
struct LastSync {
    SystemTime when;     // Universal Time, when it ended
    std::string client;  // who asked, "DOMAIN\user"
    std::string source;  // the source asked for, as the history names it (SourceName)
    SyncAnswer answer;   // as its client was told
    bool operator==(const LastSync&) const = default;
};

struct StatusAnswer {
    SystemTime runningSince;  // Universal Time
    bool allowListFromPolicy = false;
    bool allowListUnreadable = false;    // the value is no list: nothing is allowed
    std::vector<std::string> allowList;  // the entries in force, as stored
    std::vector<std::string> ignored;    // those of them that do not read
    std::vector<PolicyValue> policy;     // every value the policy holds, in the table's order
    std::optional<LastSync> lastSync;    // none since the service started
    bool operator==(const StatusAnswer&) const = default;
};

// Status request (kind 4): the header alone, kHeaderSize bytes.
// Status answer (kind 5): the header, whose size is the message's own, at most
// kMaxStatusAnswerSize; flags (u32: 1 the allow-list is the policy's, 2 it is unreadable, 4 a
// last sync follows) at 16; running since (8 x u16, SYSTEMTIME's order, Universal Time) at 20;
// then one after the other, each text as its length (u32) and its bytes, each list as its count
// (u32) and its texts:
//   the allow-list's entries (a list), its ignored entries (a list);
//   the policy's values: their count (u32), then each one's name (a text), kind (u32,
//   policy::Kind), number (i32) and texts (a list); with flag 4, the last sync: when (8 x u16,
//   Universal Time), client and source (texts), and its answer as the sync answer message it was
//   (its length, u32, and its bytes).
inline constexpr std::size_t kStatusRequestSize = kHeaderSize;
inline constexpr std::size_t kMaxStatusListSize = 4 + kMaxStatusEntries * (4 + kMaxStatusText);
inline constexpr std::size_t kMaxStatusAnswerSize =
    kHeaderSize + 4 + 16 + 2 * kMaxStatusListSize + 4 +
    kMaxPolicyValues * (4 + kMaxPolicyName + 8 + kMaxStatusListSize) + 16 +
    2 * (4 + kMaxStatusText) + 4 + kMaxAnswerSize;

// The kind a request's header names, so the service knows which reader to use; 0 when the bytes
// do not start with a request's header.
std::uint16_t RequestKind(std::span<const std::uint8_t> bytes);

std::vector<std::uint8_t> EncodeStatusRequest();
// The header's checks of ReadRequest, for a status request.
ReadError ReadStatusRequest(std::span<const std::uint8_t> bytes);

// Texts are cut to their capacity with their control characters blanked, lists to their largest
// count; a number's texts and any other kind's number are left out, a text's value is its first
// text (an empty one when it has none).
std::vector<std::uint8_t> EncodeStatusAnswer(const StatusAnswer& answer);

// The strict reader, checked in the order of ReadAnswer's header checks (a size over
// kMaxStatusAnswerSize is WrongSize), then field by field: unknown flag bits, a time out of range
// (both are times, never all zero), a count over its largest, an unknown policy kind, a number's
// texts, another kind's number or a text's count other than one: BadValue; a text over its
// capacity: BadLength; a NUL or control character in a text: BadText; a message ending inside a
// field or going on past the last: WrongSize; the last sync's answer as ReadAnswer refuses it. A
// message that reads encodes back to the very same bytes.
struct StatusRead {
    std::optional<StatusAnswer> answer;
    ReadError error = ReadError::None;
};
StatusRead ReadStatusAnswer(std::span<const std::uint8_t> bytes);

}  // namespace horolux::service
