// Any datagram a server or a spoofer may send is read without a fault; cookies come only from an
// authentic answer and within their limits; an answer is taken only when it is authentic and its
// header passes; a header refused before the fields are read is refused whatever follows it; and
// nothing may follow the authenticator of an authentic answer.
#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "core/timesource/nts_packet.h"
#include "tests/fuzz/fuzz_check.h"
#include "tests/support/fake_nts_aead.h"

namespace {

using namespace horolux;
using horolux::fuzz::Check;

// The request the answers are read against; the seeds answer it.
constexpr NtpTimestamp kSent{0xE9A1B2C3u, 0x5A123456u};
constexpr std::array<std::uint8_t, 32> kKey = [] {
    std::array<std::uint8_t, 32> key{};
    key.fill(0x5C);
    return key;
}();
constexpr NtsUniqueId kId = [] {
    NtsUniqueId id{};
    for (std::size_t i = 0; i < id.size(); ++i) id[i] = static_cast<std::uint8_t>(1 + i * 7);
    return id;
}();

bool Spoofable(NtpRefusal r) {
    return r == NtpRefusal::TooShort || r == NtpRefusal::NotServerMode ||
           r == NtpRefusal::BadVersion || r == NtpRefusal::OriginateMismatch;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    test::FakeNtsAead aead;
    const std::span<const std::uint8_t> datagram(data, size);
    const NtsReading r = ReadNtsAnswer(datagram, kSent, kId, kKey, aead);

    Check(r.ntp.refusal == ReadNtpAnswer(datagram, kSent).refusal, "the header is read as SNTP's");
    Check(Spoofable(r.ntp.refusal) == (r.refusal == NtsRefusal::Ntp && !r.authentic),
          "a header a spoofer can fail is refused first, and only such without authentication");
    Check(r.cookies.size() <= kMaxNtsCookies, "at most eight cookies");
    for (const std::vector<std::uint8_t>& cookie : r.cookies)
        Check(!cookie.empty() && cookie.size() <= kMaxNtsCookieSize, "each of a usable size");
    Check(r.cookies.empty() || r.authentic, "cookies only from an authentic answer");
    if (r.refusal == NtsRefusal::None)
        Check(r.authentic && r.ntp.refusal == NtpRefusal::None, "taken only authentic and sound");
    if (r.refusal == NtsRefusal::Nak)
        Check(r.ntp.refusal == NtpRefusal::KissOfDeath && r.ntp.kissCode == kNtsNakCode,
              "a NAK is an NTSN kiss");
    if (r.refusal == NtsRefusal::Ntp && r.ntp.refusal == NtpRefusal::KissOfDeath)
        Check(r.authentic, "a kiss is obeyed only when authentic");
    if (r.authentic) {
        Check(r.refusal == NtsRefusal::None || r.refusal == NtsRefusal::Ntp ||
                  r.refusal == NtsRefusal::Malformed,
              "an authentic answer is refused only for its header or its encrypted fields");
        std::vector<std::uint8_t> longer(datagram.begin(), datagram.end());
        longer.insert(longer.end(), 4, 0);
        Check(ReadNtsAnswer(longer, kSent, kId, kKey, aead).refusal == NtsRefusal::NoAuthenticator,
              "nothing may follow the authenticator");
    }
    return 0;
}
