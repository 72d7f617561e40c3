#pragma once
// AEAD_AES_SIV_CMAC_256 (RFC 5297's AES-SIV with a 32-byte key) for NTS, built from OpenSSL's AES
// CMAC and CTR: OpenSSL's own SIV cipher cannot seal an empty text, which is what every NTS
// request seals.
#include <initializer_list>

#include "core/timesource/nts_packet.h"

namespace timesync {

using Bytes = std::span<const std::uint8_t>;

// The synthetic IV and then the ciphertext; nothing when the key is not 32 bytes or the cipher
// fails. associated: S2V's components before the text, in order.
std::optional<std::vector<std::uint8_t>> AesSivSeal(Bytes key,
                                                    std::initializer_list<Bytes> associated,
                                                    Bytes plaintext);
// The text, or nothing when the synthetic IV does not verify.
std::optional<std::vector<std::uint8_t>> AesSivOpen(Bytes key,
                                                    std::initializer_list<Bytes> associated,
                                                    Bytes sealed);

// NTS's use: the associated data, then the nonce.
class AesSivCmac256 final : public horolux::NtsAead {
public:
    std::optional<std::vector<std::uint8_t>> Seal(Bytes key, Bytes nonce, Bytes associated,
                                                  Bytes plaintext) override {
        return AesSivSeal(key, {associated, nonce}, plaintext);
    }
    std::optional<std::vector<std::uint8_t>> Open(Bytes key, Bytes nonce, Bytes associated,
                                                  Bytes sealed) override {
        return AesSivOpen(key, {associated, nonce}, sealed);
    }
};

}  // namespace timesync
