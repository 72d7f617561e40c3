#include "core/timesource/nts_packet.h"

#include <algorithm>
#include <utility>

namespace horolux {

namespace {

constexpr std::size_t kFieldHeaderSize = 4;
constexpr std::size_t kMaxFieldSize = 0xFFFF;

std::uint16_t Get16(std::span<const std::uint8_t> b, std::size_t at) {
    return static_cast<std::uint16_t>(b[at] << 8 | b[at + 1]);
}

void Put16(std::vector<std::uint8_t>& out, std::uint16_t v) {
    out.push_back(static_cast<std::uint8_t>(v >> 8));
    out.push_back(static_cast<std::uint8_t>(v & 0xFF));
}

std::size_t Padded(std::size_t size) {
    return (size + 3) / 4 * 4;
}

void PutPadded(std::vector<std::uint8_t>& out, std::span<const std::uint8_t> bytes) {
    out.insert(out.end(), bytes.begin(), bytes.end());
    out.resize(out.size() + Padded(bytes.size()) - bytes.size(), 0);
}

void PutField(std::vector<std::uint8_t>& out, std::uint16_t type,
              std::span<const std::uint8_t> body) {
    Put16(out, type);
    Put16(out, static_cast<std::uint16_t>(kFieldHeaderSize + Padded(body.size())));
    PutPadded(out, body);
}

struct Field {
    std::uint16_t type = 0;
    std::size_t at = 0;  // of its type, from the start of the bytes split
    std::span<const std::uint8_t> body;
};

struct Fields {
    bool addUp = true;
    std::vector<Field> fields;
    std::optional<Field> authenticator;  // the first one; splitting stops there
};

// Splits bytes from `from` into extension fields, up to the end or the first field of type stopAt.
Fields Split(std::span<const std::uint8_t> bytes, std::size_t from,
             std::optional<std::uint16_t> stopAt) {
    Fields split;
    for (std::size_t at = from; at < bytes.size();) {
        if (bytes.size() - at < kFieldHeaderSize) {
            split.addUp = false;
            break;
        }
        const std::size_t length = Get16(bytes, at + 2);
        if (length < kFieldHeaderSize || length % 4 != 0 || length > bytes.size() - at) {
            split.addUp = false;
            break;
        }
        const Field field{Get16(bytes, at), at,
                          bytes.subspan(at + kFieldHeaderSize, length - kFieldHeaderSize)};
        if (field.type == stopAt) {
            split.authenticator = field;
            break;
        }
        split.fields.push_back(field);
        at += length;
    }
    return split;
}

struct Authenticator {
    std::span<const std::uint8_t> nonce, sealed;
};

// Nonce Length, Ciphertext Length, the nonce and the ciphertext each padded to words, then any
// additional padding; nothing when they do not fit the body.
std::optional<Authenticator> ReadAuthenticator(std::span<const std::uint8_t> body) {
    if (body.size() < 4) return std::nullopt;
    const std::size_t nonceSize = Get16(body, 0), sealedSize = Get16(body, 2);
    if (sealedSize < kNtsSivSize || 4 + Padded(nonceSize) + Padded(sealedSize) > body.size())
        return std::nullopt;
    return Authenticator{body.subspan(4, nonceSize),
                         body.subspan(4 + Padded(nonceSize), sealedSize)};
}

NtsReading Done(NtsReading& reading, NtsRefusal refusal) {
    reading.refusal = refusal;
    return std::move(reading);
}

}  // namespace

std::optional<std::vector<std::uint8_t>> BuildNtsRequest(
    NtpTimestamp transmit, const NtsUniqueId& uniqueId, std::span<const std::uint8_t> cookie,
    std::size_t placeholders, std::span<const std::uint8_t> clientToServerKey,
    std::span<const std::uint8_t> nonce, NtsAead& aead) {
    if (cookie.empty() || cookie.size() > kMaxNtsCookieSize || nonce.size() != kNtsNonceSize)
        return std::nullopt;
    const NtpPacket header = BuildNtpRequest(transmit);
    std::vector<std::uint8_t> request(header.begin(), header.end());
    PutField(request, kNtsUniqueIdField, uniqueId);
    PutField(request, kNtsCookieField, cookie);
    // The placeholder's body is not read by the server; only its size matters.
    const std::vector<std::uint8_t> blank(cookie.size(), 0);
    for (std::size_t i = 0; i < std::min(placeholders, kMaxNtsPlaceholders); ++i)
        PutField(request, kNtsCookiePlaceholderField, blank);

    const std::optional<std::vector<std::uint8_t>> sealed =
        aead.Seal(clientToServerKey, nonce, request, {});
    const std::size_t bodySize = 4 + Padded(nonce.size()) + Padded(sealed ? sealed->size() : 0);
    if (!sealed || sealed->size() < kNtsSivSize || kFieldHeaderSize + bodySize > kMaxFieldSize)
        return std::nullopt;
    Put16(request, kNtsAuthenticatorField);
    Put16(request, static_cast<std::uint16_t>(kFieldHeaderSize + bodySize));
    Put16(request, static_cast<std::uint16_t>(nonce.size()));
    Put16(request, static_cast<std::uint16_t>(sealed->size()));
    PutPadded(request, nonce);
    PutPadded(request, *sealed);
    return request;
}

NtsReading ReadNtsAnswer(std::span<const std::uint8_t> datagram, NtpTimestamp sent,
                         const NtsUniqueId& uniqueId,
                         std::span<const std::uint8_t> serverToClientKey, NtsAead& aead) {
    NtsReading reading;
    reading.ntp = ReadNtpAnswer(datagram, sent);
    switch (reading.ntp.refusal) {
        case NtpRefusal::TooShort:
        case NtpRefusal::NotServerMode:
        case NtpRefusal::BadVersion:
        case NtpRefusal::OriginateMismatch:
            return Done(reading, NtsRefusal::Ntp);
        default:
            break;
    }

    const Fields clear = Split(datagram, kNtpPacketSize, kNtsAuthenticatorField);
    if (!clear.addUp) return Done(reading, NtsRefusal::Malformed);

    bool ours = false;
    for (const Field& field : clear.fields) {
        if (field.type != kNtsUniqueIdField) continue;
        if (!std::ranges::equal(field.body, uniqueId))
            return Done(reading, NtsRefusal::UniqueIdMismatch);
        ours = true;
    }
    if (!ours) return Done(reading, NtsRefusal::UniqueIdMismatch);

    if (reading.ntp.refusal == NtpRefusal::KissOfDeath && reading.ntp.kissCode == kNtsNakCode)
        return Done(reading, NtsRefusal::Nak);

    const std::optional<Field>& field = clear.authenticator;
    if (!field || field->at + kFieldHeaderSize + field->body.size() != datagram.size())
        return Done(reading, NtsRefusal::NoAuthenticator);
    const std::optional<Authenticator> authenticator = ReadAuthenticator(field->body);
    if (!authenticator) return Done(reading, NtsRefusal::Malformed);
    const std::optional<std::vector<std::uint8_t>> plaintext = aead.Open(
        serverToClientKey, authenticator->nonce, datagram.first(field->at), authenticator->sealed);
    if (!plaintext) return Done(reading, NtsRefusal::NotAuthentic);
    reading.authentic = true;

    const Fields inner = Split(*plaintext, 0, std::nullopt);
    if (!inner.addUp) return Done(reading, NtsRefusal::Malformed);
    for (const Field& cookie : inner.fields) {
        if (cookie.type != kNtsCookieField || cookie.body.empty() ||
            cookie.body.size() > kMaxNtsCookieSize || reading.cookies.size() >= kMaxNtsCookies)
            continue;
        reading.cookies.emplace_back(cookie.body.begin(), cookie.body.end());
    }
    const bool headerFine = reading.ntp.refusal == NtpRefusal::None;
    return Done(reading, headerFine ? NtsRefusal::None : NtsRefusal::Ntp);
}

const char* NtsRefusalText(NtsRefusal refusal) {
    switch (refusal) {
        case NtsRefusal::None:
            return "accepted";
        case NtsRefusal::Ntp:
            return "the answer's NTP header is refused";
        case NtsRefusal::UniqueIdMismatch:
            return "the answer is not to this request";
        case NtsRefusal::Nak:
            return "the server did not accept the cookie";
        case NtsRefusal::Malformed:
            return "the answer's extension fields are malformed";
        case NtsRefusal::NoAuthenticator:
            return "the answer carries no authenticator";
        case NtsRefusal::NotAuthentic:
            return "the answer's authenticator does not verify";
    }
    return "unknown";
}

}  // namespace horolux
