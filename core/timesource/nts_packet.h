#pragma once
// NTS-protected NTP (RFC 8915, section 5): the client's request with its cookie and authenticator,
// and the reader of a server's answer. The cipher is a seam (NtsAead); the keys and cookies come
// from a key establishment (nts_ke.h), kept between exchanges by NtsCookieJar (nts_session.h).
//
// Extension fields (RFC 7822) are a 16-bit type, a 16-bit length counting the whole field, and a
// body. Read here: any length that is a multiple of 4 and at least 4, outside the encryption as
// inside it. RFC 7822's 16-byte minimum is not required: RFC 8915 lifts it for encrypted fields,
// and the fields it defines are told apart by their type, not their size.
//
// The reader's order, and why:
//  1. The header's checks that a blind spoofer can fail (too short, not server mode, bad version,
//     originate mismatch): Ntp, with ntp.refusal saying which. The caller keeps waiting on the
//     originate mismatch, as for plain SNTP.
//  2. The extension fields up to the first authenticator must add up: Malformed otherwise.
//  3. A Unique Identifier in the clear part, and none but this request's: UniqueIdMismatch
//     otherwise (a stale or spoofed answer; keep waiting).
//  4. A kiss with code "NTSN" is an NTS NAK. It is never authenticated, so it counts (Nak) only
//     once the unique identifier matched, and is looked for before the authenticator.
//  5. The authenticator, last: NoAuthenticator when none, or when any byte follows it.
//  6. Its body must add up (nonce and ciphertext within it, a ciphertext holding at least the
//     16-byte synthetic IV): Malformed; then it must verify with the server-to-client key over
//     every byte before it: NotAuthentic.
//  7. The decrypted fields must add up: Malformed. Fresh cookies are taken only from them.
//  8. Only now the header's remaining checks (kiss, stratum, leap, transmit): Ntp. An
//     unauthenticated RATE or DENY kiss is therefore NotAuthentic and silences nothing.
// Padding (of the nonce, the ciphertext, the authenticator's additional padding) is not checked
// for zeros: it is not authenticated, so its contents prove nothing either way.
// Only None and an authentic Ntp are known to be the server's. Anyone who saw the request can
// cause the other refusals, a NAK included, so the caller keeps waiting for a better datagram
// until its time limit, and only then acts on a NAK.
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "core/timesource/ntp_packet.h"
#include "core/timesource/nts_ke.h"

namespace horolux {

// The cipher's seam: AEAD_AES_SIV_CMAC_256 (RFC 5297 AES-SIV, 32-byte key) as NTS uses it: one
// associated-data item, then the nonce as the last associated-data item. Implemented with OpenSSL
// in timesync; tests use a fake.
class NtsAead {
public:
    virtual ~NtsAead() = default;
    // The 16-byte synthetic IV followed by the ciphertext; nothing when the cipher fails.
    virtual std::optional<std::vector<std::uint8_t>> Seal(
        std::span<const std::uint8_t> key, std::span<const std::uint8_t> nonce,
        std::span<const std::uint8_t> associated, std::span<const std::uint8_t> plaintext) = 0;
    // The plaintext; nothing when the tag does not verify.
    virtual std::optional<std::vector<std::uint8_t>> Open(std::span<const std::uint8_t> key,
                                                          std::span<const std::uint8_t> nonce,
                                                          std::span<const std::uint8_t> associated,
                                                          std::span<const std::uint8_t> sealed) = 0;
};

inline constexpr std::size_t kNtsUniqueIdSize = 32;
inline constexpr std::size_t kNtsNonceSize = 16;
// The synthetic IV that leads every sealed text: nothing shorter can be authentic.
inline constexpr std::size_t kNtsSivSize = 16;
using NtsUniqueId = std::array<std::uint8_t, kNtsUniqueIdSize>;

// Extension field types.
inline constexpr std::uint16_t kNtsUniqueIdField = 0x0104;
inline constexpr std::uint16_t kNtsCookieField = 0x0204;
inline constexpr std::uint16_t kNtsCookiePlaceholderField = 0x0304;
inline constexpr std::uint16_t kNtsAuthenticatorField = 0x0404;
// The kiss code of an NTS NAK.
inline constexpr char kNtsNakCode[] = "NTSN";

// A server gives one cookie for the cookie and each placeholder, and a client keeps at most
// kMaxNtsCookies: more placeholders than this would only be wasted.
inline constexpr std::size_t kMaxNtsPlaceholders = kMaxNtsCookies - 1;

// One NTS-protected request: the 48-byte header of BuildNtpRequest(transmit), then the extension
// fields Unique Identifier (0x0104), NTS Cookie (0x0204) with cookie, `placeholders` Cookie
// Placeholders (0x0304) each the cookie's size, and the NTS Authenticator and Encrypted Extension
// Fields (0x0404) over everything before it, sealed with the client-to-server key and nonce (an
// empty plaintext). Placeholders beyond kMaxNtsPlaceholders are not sent. A cookie whose size is
// not a multiple of 4 is zero-padded like every field (servers issue whole words). Nothing when
// the cipher fails, the cookie is empty or over kMaxNtsCookieSize, or the nonce is not
// kNtsNonceSize bytes.
std::optional<std::vector<std::uint8_t>> BuildNtsRequest(
    NtpTimestamp transmit, const NtsUniqueId& uniqueId, std::span<const std::uint8_t> cookie,
    std::size_t placeholders, std::span<const std::uint8_t> clientToServerKey,
    std::span<const std::uint8_t> nonce, NtsAead& aead);

// Why an answer is not used; None for an authentic answer that passes every check.
enum class NtsRefusal {
    None,
    Ntp,               // the header is refused: see ntp.refusal (a kiss other than NTSN too)
    UniqueIdMismatch,  // no Unique Identifier, or not this request's: keep waiting
    Nak,               // an NTS NAK with this request's unique identifier: the cookie was refused
    Malformed,         // extension fields that do not add up (length, past the end, ...)
    NoAuthenticator,   // no NTS Authenticator, or something after it
    NotAuthentic,      // the authenticator does not verify with the server-to-client key
};

struct NtsReading {
    NtsRefusal refusal = NtsRefusal::Malformed;
    NtpReading ntp;  // the header as ReadNtpAnswer read it
    // The authenticator verified: the header and the fields came from the server. Always so for
    // None, and for Ntp other than the spoofable refusals of step 1 (so an Ntp kiss is the
    // server's own and may be obeyed).
    bool authentic = false;
    // NTS Cookie fields from the decrypted part only, in their order: at most kMaxNtsCookies,
    // each 1 to kMaxNtsCookieSize bytes (others are skipped). Filled whenever the decrypted part
    // was read, so an authentic Ntp refusal still gives back the cookies the server spent.
    std::vector<std::vector<std::uint8_t>> cookies;
};

// Reads a server's answer to the request sent with `sent` and `uniqueId`, in the order above.
NtsReading ReadNtsAnswer(std::span<const std::uint8_t> datagram, NtpTimestamp sent,
                         const NtsUniqueId& uniqueId,
                         std::span<const std::uint8_t> serverToClientKey, NtsAead& aead);

// Words for the history and Test rows, e.g. "the answer's authenticator does not verify".
const char* NtsRefusalText(NtsRefusal refusal);

}  // namespace horolux
