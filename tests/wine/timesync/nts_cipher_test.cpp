// AES-SIV as NTS uses it: RFC 5297's example, OpenSSL's own SIV cipher as a second opinion where
// it works (a text that is not empty), and the refusal of anything changed.
#include "timesync/nts_cipher.h"

#include <gtest/gtest.h>
#include <openssl/evp.h>

#include <string>
#include <vector>

using namespace timesync;  // the layer under test

namespace {

std::vector<std::uint8_t> Hex(const std::string& text) {
    std::vector<std::uint8_t> bytes;
    for (std::size_t i = 0; i + 1 < text.size(); i += 2)
        bytes.push_back(static_cast<std::uint8_t>(std::stoi(text.substr(i, 2), nullptr, 16)));
    return bytes;
}

// OpenSSL's AES-128-SIV, which takes each associated component in its own update.
std::vector<std::uint8_t> OpenSslSeal(Bytes key, std::initializer_list<Bytes> associated,
                                      Bytes text) {
    EVP_CIPHER* cipher = EVP_CIPHER_fetch(nullptr, "AES-128-SIV", nullptr);
    EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
    std::vector<std::uint8_t> out(16 + text.size());
    int n = 0;
    EVP_EncryptInit_ex2(ctx, cipher, key.data(), nullptr, nullptr);
    for (Bytes a : associated)
        EVP_EncryptUpdate(ctx, nullptr, &n, a.data(), static_cast<int>(a.size()));
    EVP_EncryptUpdate(ctx, out.data() + 16, &n, text.data(), static_cast<int>(text.size()));
    EVP_EncryptFinal_ex(ctx, out.data() + 16 + n, &n);
    EVP_CIPHER_CTX_ctrl(ctx, EVP_CTRL_AEAD_GET_TAG, 16, out.data());
    EVP_CIPHER_CTX_free(ctx);
    EVP_CIPHER_free(cipher);
    return out;
}

TEST(NtsCipher, SealsAsTheRfcAndOpenSslDoAndOpensOnlyWhatItSealed) {
    const auto key = Hex("fffefdfcfbfaf9f8f7f6f5f4f3f2f1f0f0f1f2f3f4f5f6f7f8f9fafbfcfdfeff");
    const auto ad = Hex("101112131415161718191a1b1c1d1e1f2021222324252627");
    const auto text = Hex("112233445566778899aabbccddee");
    EXPECT_EQ(AesSivSeal(key, {ad}, text),
              Hex("85632d07c6e8f37f950acd320a2ecc9340c02b9690c4dc04daef7f6afe5c"));

    const auto nonce = Hex("09f911029d74e35bd84156c5635688c0");
    for (std::size_t size : {1u, 15u, 16u, 17u, 47u}) {
        const std::vector<std::uint8_t> plain(size, 0x5A);
        EXPECT_EQ(AesSivSeal(key, {ad, nonce}, plain), OpenSslSeal(key, {ad, nonce}, plain))
            << size;
    }

    AesSivCmac256 aead;
    const auto sealed = aead.Seal(key, nonce, ad, {});  // what a request carries
    ASSERT_TRUE(sealed);
    EXPECT_EQ(sealed->size(), 16u);
    EXPECT_EQ(aead.Open(key, nonce, ad, *sealed), std::vector<std::uint8_t>{});
    auto changed = *sealed;
    changed[3] ^= 1;
    EXPECT_FALSE(aead.Open(key, nonce, ad, changed));
    auto otherAd = ad;
    otherAd[0] ^= 1;
    EXPECT_FALSE(aead.Open(key, nonce, otherAd, *sealed));
    EXPECT_FALSE(aead.Open(key, ad, nonce, *sealed)) << "the order of the components counts";
    EXPECT_FALSE(aead.Seal(Hex("00"), nonce, ad, {})) << "a key of the wrong size";
}

}  // namespace
