#pragma once
// A stand-in for AES-SIV-CMAC-256 in tests and fuzzing, and the server's side of an answer. Not a
// cipher: the "tag" is two FNV-1a sums over the key, nonce, associated data and plaintext, each
// length-prefixed, and the text is XORed with a stream from the key and nonce. Every step of
// FNV-1a is one-to-one for a given byte, so any one changed byte of the key, nonce, associated
// data, tag or ciphertext fails to open, as with the real cipher.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <optional>
#include <span>
#include <vector>

#include "core/timesource/nts_packet.h"

namespace test {

using Bytes = std::vector<std::uint8_t>;

class FakeNtsAead final : public horolux::NtsAead {
public:
    bool fail = false;  // Seal fails, as a cipher might

    std::optional<Bytes> Seal(std::span<const std::uint8_t> key,
                              std::span<const std::uint8_t> nonce,
                              std::span<const std::uint8_t> associated,
                              std::span<const std::uint8_t> plaintext) override {
        if (fail || key.size() != horolux::kAeadAesSivCmac256KeySize) return std::nullopt;
        Bytes sealed = Tag(key, nonce, associated, plaintext);
        sealed.insert(sealed.end(), plaintext.begin(), plaintext.end());
        Crypt(key, nonce, std::span(sealed).subspan(horolux::kNtsSivSize));
        return sealed;
    }

    std::optional<Bytes> Open(std::span<const std::uint8_t> key,
                              std::span<const std::uint8_t> nonce,
                              std::span<const std::uint8_t> associated,
                              std::span<const std::uint8_t> sealed) override {
        if (key.size() != horolux::kAeadAesSivCmac256KeySize ||
            sealed.size() < horolux::kNtsSivSize)
            return std::nullopt;
        Bytes plaintext(sealed.begin() + horolux::kNtsSivSize, sealed.end());
        Crypt(key, nonce, plaintext);
        // memcmp, so that the fuzzer learns the tag it is compared with.
        if (std::memcmp(Tag(key, nonce, associated, plaintext).data(), sealed.data(),
                        horolux::kNtsSivSize) != 0)
            return std::nullopt;
        return plaintext;
    }

private:
    static void Sum(std::uint64_t& h, std::span<const std::uint8_t> part) {
        std::uint64_t size = part.size();
        for (int i = 0; i < 8; ++i, size >>= 8) h = (h ^ (size & 0xFF)) * 0x100000001B3u;
        for (const std::uint8_t b : part) h = (h ^ b) * 0x100000001B3u;
    }

    static Bytes Tag(std::span<const std::uint8_t> key, std::span<const std::uint8_t> nonce,
                     std::span<const std::uint8_t> associated,
                     std::span<const std::uint8_t> plaintext) {
        Bytes tag;
        for (std::uint64_t h : {0xCBF29CE484222325u, 0x84222325CBF29CE4u}) {
            for (const auto part : {key, nonce, associated, plaintext}) Sum(h, part);
            for (int i = 0; i < 8; ++i, h >>= 8) tag.push_back(static_cast<std::uint8_t>(h));
        }
        return tag;
    }

    static void Crypt(std::span<const std::uint8_t> key, std::span<const std::uint8_t> nonce,
                      std::span<std::uint8_t> text) {
        std::uint64_t state = 0xCBF29CE484222325u;
        Sum(state, key);
        Sum(state, nonce);
        for (std::uint8_t& b : text) {
            std::uint64_t z = (state += 0x9E3779B97F4A7C15u);  // splitmix64
            z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9u;
            z = (z ^ (z >> 27)) * 0x94D049BB133111EBu;
            b ^= static_cast<std::uint8_t>(z ^ (z >> 31));
        }
    }
};

inline void Put16(Bytes& out, std::size_t v) {
    out.push_back(static_cast<std::uint8_t>(v >> 8 & 0xFF));
    out.push_back(static_cast<std::uint8_t>(v & 0xFF));
}

// An extension field, its body zero-padded to words.
inline Bytes Field(std::uint16_t type, std::span<const std::uint8_t> body) {
    Bytes field;
    Put16(field, type);
    Put16(field, 4 + (body.size() + 3) / 4 * 4);
    field.insert(field.end(), body.begin(), body.end());
    field.resize(4 + (body.size() + 3) / 4 * 4, 0);
    return field;
}

inline Bytes Joined(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}

// What a server sends: `clear` (the header and the fields in the clear), then the authenticator
// sealing the fields `encrypted` with the key and nonce over everything before it.
inline Bytes SealedAnswer(Bytes clear, std::span<const std::uint8_t> encrypted,
                          std::span<const std::uint8_t> key, std::span<const std::uint8_t> nonce,
                          horolux::NtsAead& aead) {
    const Bytes sealed = aead.Seal(key, nonce, clear, encrypted).value();
    Bytes body;
    Put16(body, nonce.size());
    Put16(body, sealed.size());
    body.insert(body.end(), nonce.begin(), nonce.end());
    body.resize(4 + (nonce.size() + 3) / 4 * 4, 0);
    body.insert(body.end(), sealed.begin(), sealed.end());
    const Bytes field = Field(horolux::kNtsAuthenticatorField, body);
    clear.insert(clear.end(), field.begin(), field.end());
    return clear;
}

}  // namespace test
