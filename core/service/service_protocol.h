#pragma once
// The messages between the program and its time service (HoroluxTime.exe) over the named pipe:
// one sync request, one answer, the sync's own types (core/sync/sync_request.h) in fixed layouts
// written and read byte by byte, so that both sides agree whatever the compiler does to structs,
// and strict readers, so that a message that is not exactly one of ours is refused whole: the
// service runs with the right to set the clock and the pipe is open to other programs of the PC.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/sync/sync_request.h"

namespace horolux::service {

inline constexpr std::uint16_t kProtocolVersion = 1;

// The text areas' capacities.
inline constexpr std::size_t kMaxSourceText = 1024;  // the request's sources
inline constexpr std::size_t kMaxFailureText = 256;
inline constexpr std::size_t kMaxSourceRows = 8;
inline constexpr std::size_t kMaxSourceName = 64;
inline constexpr std::size_t kMaxVerdictText = 64;

// Why a message was not read (for logging and tests).
enum class ReadError {
    None,
    WrongSize,
    WrongMagic,
    WrongVersion,
    WrongKind,
    BadLength,
    BadText,
    BadValue
};

// Every message starts with a 16-byte header: magic ("HLXQ" request, "HLXA" answer), version
// (u16), kind (u16), total size (u32, the message's fixed size), reserved (u32, 0). Then the body
// at fixed offsets, little-endian; a text is a u32 length and a fixed area, zero past the text.
//
// Request: source (u32, TimeSource) at 16, flags (u32: 1 a large correction is allowed, 2 only
// authenticated answers may be used, 4 the user started the sync) at 20, text length at 24, text at
// 28. The text is the server ("HOST[:PORT]") or the URL, the Automatic list's entries separated by
// blanks, or nothing for the page, each source in its canonical form
// (core/timesource/source_entry.h).
// Answer: status (u32) at 16, flags (u32: 1 measured, 2 the offset rests on authenticated answers)
// at 20, before and after (8 x u16 each, SYSTEMTIME's order) at 24 and 40, offset, bound and round
// trip (i64) at 56, 64 and 72, requests (i32) at 80, failure length at 84, failure at 88.
// Flags 2 and 4 came after the first version of the pipe, which wrote them zero; a message without
// them is byte for byte as it was, and an older reader refuses one with them.
// Answer with sources (an answer with rows, kind 3): the answer, then the count of rows (u32) at
// 344 and kMaxSourceRows rows of 164 bytes from 348: flags (u32, 1: measured) at 0, offset, bound
// and round trip (i64) at 4, 12 and 20, name length at 28 and name at 32, verdict length at 96
// and verdict (VerdictText, the only word of whether a used source was authenticated) at 100.
// Rows past the count are zero. An answer without rows is a plain answer.
inline constexpr std::size_t kHeaderSize = 16;
inline constexpr std::size_t kRequestSize = 28 + kMaxSourceText;      // 1052
inline constexpr std::size_t kAnswerSize = 88 + kMaxFailureText;      // 344
inline constexpr std::size_t kSourceRowSize = 100 + kMaxVerdictText;  // 164
inline constexpr std::size_t kAnswerWithSourcesSize =
    kAnswerSize + 4 + kMaxSourceRows * kSourceRowSize;  // 1660
inline constexpr std::size_t kMaxAnswerSize = kAnswerWithSourcesSize;
inline constexpr std::uint16_t kKindRequest = 1;
inline constexpr std::uint16_t kKindAnswer = 2;
inline constexpr std::uint16_t kKindAnswerWithSources = 3;
// Kinds 4 and 5 are the status command's request and answer (status_message.h).
// Request flag bits.
inline constexpr std::uint32_t kRequestAllowLargeCorrection = 1;
inline constexpr std::uint32_t kRequestRequireAuthenticated = 2;
inline constexpr std::uint32_t kRequestUserStarted = 4;
// Answer flag bits.
inline constexpr std::uint32_t kAnswerMeasured = 1;
inline constexpr std::uint32_t kAnswerAuthenticated = 2;

// Exactly kRequestSize bytes; the text cut to kMaxSourceText.
std::vector<std::uint8_t> EncodeRequest(const SyncRequest& request);
// Exactly kAnswerSize bytes, or kAnswerWithSourcesSize with rows; the failure and the rows' texts
// cut to their capacity and the rows to kMaxSourceRows, control characters (the line break that
// ends a system message) written as blanks so that every answer reads.
std::vector<std::uint8_t> EncodeAnswer(const SyncAnswer& answer);

// Strict readers; checked in this order:
//   fewer bytes than a header: WrongSize; magic: WrongMagic; version: WrongVersion; kind:
//   WrongKind (an answer may be of either answer kind); size field or byte count other than the
//   kind's fixed size: WrongSize; reserved header
//   field: BadValue; a text length over its capacity: BadLength; a NUL or control character
//   (< 0x20, 0x7F) in a text or a non-zero byte past it: BadText; an unknown source (NtsServer
//   too: an entry's kind, never a request's) or status number, unknown flag bits, a time field out
//   of range (a time all zero is "none"), a negative bound, round trip or request count, a
//   request's text that does not name its source (an empty text for the page, one server or URL,
//   blank-separated entries for Automatic), a verdict that is not one of VerdictText's, no rows or
//   more than kMaxSourceRows in an answer with rows, or a non-zero byte in a row past the count:
//   BadValue.
// A message that reads encodes back to the very same bytes, but for a request's sources, which
// are read into their canonical form.
struct RequestRead {
    std::optional<SyncRequest> request;
    ReadError error = ReadError::None;
};
struct AnswerRead {
    std::optional<SyncAnswer> answer;
    ReadError error = ReadError::None;
};
RequestRead ReadRequest(std::span<const std::uint8_t> bytes);
AnswerRead ReadAnswer(std::span<const std::uint8_t> bytes);

// The sources a request's text names, read as the program reads its settings (SourceEntryOf, and
// ReadSourceEntry for each of the Automatic list's); nothing for a text that does not name its
// source's.
std::optional<std::vector<SourceEntry>> ReadRequestSources(TimeSource source,
                                                           std::string_view text);

// A name for logs and tests, e.g. "wrong magic".
const char* ReadErrorText(ReadError error);

}  // namespace horolux::service
