#include "timesync/nts_cipher.h"

#include <openssl/core_names.h>
#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/params.h>

#include <array>
#include <memory>

namespace timesync {

namespace {

constexpr std::size_t kBlock = 16;
using Block = std::array<std::uint8_t, kBlock>;

struct Free {
    void operator()(EVP_MAC_CTX* c) const { EVP_MAC_CTX_free(c); }
    void operator()(EVP_CIPHER_CTX* c) const { EVP_CIPHER_CTX_free(c); }
};

// Fetched once and kept for the process: the provider's lookup is not cheap, what it gives is
// immutable, and a measurement still running on its own thread at exit may yet use it.
EVP_MAC* Cmac() {
    static EVP_MAC* const mac = EVP_MAC_fetch(nullptr, "CMAC", nullptr);
    return mac;
}
EVP_CIPHER* Ctr() {
    static EVP_CIPHER* const ctr = EVP_CIPHER_fetch(nullptr, "AES-128-CTR", nullptr);
    return ctr;
}

// AES-CMAC of the pieces, one after the other, under the 16-byte key.
std::optional<Block> Mac(Bytes key, std::initializer_list<Bytes> pieces) {
    const std::unique_ptr<EVP_MAC_CTX, Free> ctx(Cmac() ? EVP_MAC_CTX_new(Cmac()) : nullptr);
    char cipher[] = "AES-128-CBC";
    const OSSL_PARAM params[] = {OSSL_PARAM_construct_utf8_string(OSSL_MAC_PARAM_CIPHER, cipher, 0),
                                 OSSL_PARAM_END};
    if (!ctx || EVP_MAC_init(ctx.get(), key.data(), key.size(), params) != 1) return std::nullopt;
    for (Bytes piece : pieces)
        if (EVP_MAC_update(ctx.get(), piece.data(), piece.size()) != 1) return std::nullopt;
    Block out{};
    std::size_t size = 0;
    if (EVP_MAC_final(ctx.get(), out.data(), &size, out.size()) != 1 || size != kBlock)
        return std::nullopt;
    return out;
}

// Doubling in GF(2^128), as S2V defines it.
Block Double(const Block& b) {
    Block out{};
    for (std::size_t i = 0; i < kBlock; ++i)
        out[i] = static_cast<std::uint8_t>(b[i] << 1 | (i + 1 < kBlock ? b[i + 1] >> 7 : 0));
    if (b[0] & 0x80) out[kBlock - 1] ^= 0x87;
    return out;
}

void Xor(Block& into, const std::uint8_t* with) {
    for (std::size_t i = 0; i < kBlock; ++i) into[i] ^= with[i];
}

// S2V (RFC 5297, section 2.4): the synthetic IV of the components and the text.
std::optional<Block> S2V(Bytes macKey, std::initializer_list<Bytes> associated, Bytes text) {
    static const Block kZero{};
    std::optional<Block> d = Mac(macKey, {kZero});
    if (!d) return std::nullopt;
    for (Bytes component : associated) {
        const std::optional<Block> mac = Mac(macKey, {component});
        if (!mac) return std::nullopt;
        *d = Double(*d);
        Xor(*d, mac->data());
    }
    if (text.size() >= kBlock) {  // the last block of the text xored with D ("xorend")
        Block tail{};
        std::copy(text.end() - kBlock, text.end(), tail.begin());
        Xor(tail, d->data());
        return Mac(macKey, {text.first(text.size() - kBlock), tail});
    }
    Block padded{};
    std::copy(text.begin(), text.end(), padded.begin());
    padded[text.size()] = 0x80;
    Block t = Double(*d);
    Xor(t, padded.data());
    return Mac(macKey, {t});
}

// AES-CTR under the second half of the key, from the IV with its two marked bits cleared.
std::optional<std::vector<std::uint8_t>> Ctr(Bytes ctrKey, Block iv, Bytes text) {
    iv[8] &= 0x7F;
    iv[12] &= 0x7F;
    const std::unique_ptr<EVP_CIPHER_CTX, Free> ctx(EVP_CIPHER_CTX_new());
    std::vector<std::uint8_t> out(text.size() + kBlock);
    int n = 0, last = 0;
    if (!ctx || !Ctr() ||
        EVP_EncryptInit_ex2(ctx.get(), Ctr(), ctrKey.data(), iv.data(), nullptr) != 1 ||
        (!text.empty() && EVP_EncryptUpdate(ctx.get(), out.data(), &n, text.data(),
                                            static_cast<int>(text.size())) != 1) ||
        EVP_EncryptFinal_ex(ctx.get(), out.data() + n, &last) != 1)
        return std::nullopt;
    out.resize(static_cast<std::size_t>(n + last));
    return out;
}

constexpr std::size_t kKeySize = 2 * kBlock;

}  // namespace

std::optional<std::vector<std::uint8_t>> AesSivSeal(Bytes key,
                                                    std::initializer_list<Bytes> associated,
                                                    Bytes plaintext) {
    if (key.size() != kKeySize) return std::nullopt;
    const std::optional<Block> v = S2V(key.first(kBlock), associated, plaintext);
    if (!v) return std::nullopt;
    const auto ciphertext = Ctr(key.last(kBlock), *v, plaintext);
    if (!ciphertext) return std::nullopt;
    std::vector<std::uint8_t> out(v->begin(), v->end());
    out.insert(out.end(), ciphertext->begin(), ciphertext->end());
    return out;
}

std::optional<std::vector<std::uint8_t>> AesSivOpen(Bytes key,
                                                    std::initializer_list<Bytes> associated,
                                                    Bytes sealed) {
    if (key.size() != kKeySize || sealed.size() < kBlock) return std::nullopt;
    Block v{};
    std::copy(sealed.begin(), sealed.begin() + kBlock, v.begin());
    auto plaintext = Ctr(key.last(kBlock), v, sealed.subspan(kBlock));
    if (!plaintext) return std::nullopt;
    const std::optional<Block> expected = S2V(key.first(kBlock), associated, *plaintext);
    if (!expected || CRYPTO_memcmp(expected->data(), v.data(), kBlock) != 0) return std::nullopt;
    return plaintext;
}

}  // namespace timesync
