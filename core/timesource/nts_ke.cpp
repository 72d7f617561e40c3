#include "core/timesource/nts_ke.h"

#include <optional>

namespace horolux {

namespace {

constexpr std::uint16_t kCritical = 0x8000;
enum RecordType : std::uint16_t {
    kEndOfMessage = 0,
    kNextProtocol = 1,
    kError = 2,
    kWarning = 3,
    kAeadAlgorithm = 4,
    kNewCookie = 5,
    kServer = 6,
    kPort = 7,
};

void Put16(std::vector<std::uint8_t>& out, std::uint16_t v) {
    out.push_back(static_cast<std::uint8_t>(v >> 8));
    out.push_back(static_cast<std::uint8_t>(v & 0xFF));
}

std::uint16_t Get16(std::span<const std::uint8_t> b, std::size_t at) {
    return static_cast<std::uint16_t>(b[at] << 8 | b[at + 1]);
}

// A record whose body is one 16-bit number: that number, or nothing for another body.
std::optional<std::uint16_t> OneNumber(std::span<const std::uint8_t> body) {
    if (body.size() != 2) return std::nullopt;
    return Get16(body, 0);
}

std::string ErrorWords(std::uint16_t code) {
    switch (code) {
        case 0:
            return "The time server did not recognise a critical record";
        case 1:
            return "The time server refused the request as bad";
        case 2:
            return "The time server reported an internal error";
        default:
            return "The time server reported error " + std::to_string(code);
    }
}

NtsKeAnswer Refused(std::string failure) {
    NtsKeAnswer answer;
    answer.outcome = NtsKeAnswer::Outcome::Refused;
    answer.failure = std::move(failure);
    return answer;
}

}  // namespace

std::vector<std::uint8_t> NtsKeRequest() {
    std::vector<std::uint8_t> request;
    Put16(request, kCritical | kNextProtocol);
    Put16(request, 2);
    Put16(request, kNtsNextProtocolNtpV4);
    Put16(request, kCritical | kAeadAlgorithm);
    Put16(request, 2);
    Put16(request, kAeadAesSivCmac256);
    Put16(request, kCritical | kEndOfMessage);
    Put16(request, 0);
    return request;
}

std::array<std::uint8_t, 5> NtsExporterContext(bool serverToClient) {
    return {static_cast<std::uint8_t>(kNtsNextProtocolNtpV4 >> 8),
            static_cast<std::uint8_t>(kNtsNextProtocolNtpV4 & 0xFF),
            static_cast<std::uint8_t>(kAeadAesSivCmac256 >> 8),
            static_cast<std::uint8_t>(kAeadAesSivCmac256 & 0xFF),
            static_cast<std::uint8_t>(serverToClient ? 1 : 0)};
}

NtsKeAnswer ReadNtsKeAnswer(std::span<const std::uint8_t> bytes) {
    NtsKeAnswer answer;
    bool protocol = false, aead = false;
    for (std::size_t at = 0;;) {
        if (at + 4 > bytes.size() || at + 4 + Get16(bytes, at + 2) > bytes.size()) {
            if (bytes.size() > kMaxNtsKeAnswer)
                return Refused("The time server's key answer is too long");
            answer.outcome = NtsKeAnswer::Outcome::Incomplete;
            return answer;
        }
        const bool critical = (Get16(bytes, at) & kCritical) != 0;
        const std::uint16_t type = Get16(bytes, at) & ~kCritical;
        const std::span<const std::uint8_t> body = bytes.subspan(at + 4, Get16(bytes, at + 2));
        at += 4 + body.size();
        switch (type) {
            case kEndOfMessage:
                if (!protocol) return Refused("The time server named no time protocol");
                if (!aead) return Refused("The time server named no encryption");
                if (answer.cookies.empty()) return Refused("The time server gave no cookie");
                answer.outcome = NtsKeAnswer::Outcome::Ok;
                return answer;
            case kNextProtocol:
                if (protocol || OneNumber(body) != kNtsNextProtocolNtpV4)
                    return Refused("The time server does not offer NTPv4");
                protocol = true;
                break;
            case kError:
                return Refused(OneNumber(body) ? ErrorWords(*OneNumber(body))
                                               : "The time server reported an error");
            case kWarning:
                return Refused("The time server sent warning " +
                               (OneNumber(body) ? std::to_string(*OneNumber(body)) : "?"));
            case kAeadAlgorithm:
                if (aead || OneNumber(body) != kAeadAesSivCmac256)
                    return Refused("The time server does not offer AES-SIV-CMAC-256");
                aead = true;
                break;
            case kNewCookie:
                if (body.empty() || body.size() > kMaxNtsCookieSize)
                    return Refused("The time server gave a cookie of an unusable size");
                if (answer.cookies.size() < kMaxNtsCookies)
                    answer.cookies.emplace_back(body.begin(), body.end());
                break;
            case kServer:
                if (!answer.server.empty() || body.empty())
                    return Refused("The time server named its NTP server unreadably");
                for (const std::uint8_t c : body) {
                    if (c <= 0x20 || c >= 0x7F)
                        return Refused("The time server named its NTP server unreadably");
                    answer.server += static_cast<char>(c);
                }
                break;
            case kPort:
                if (!OneNumber(body) || *OneNumber(body) == 0)
                    return Refused("The time server named its NTP port unreadably");
                answer.port = *OneNumber(body);
                break;
            default:
                if (critical) return Refused("The time server sent a critical record unknown here");
                break;
        }
    }
}

}  // namespace horolux
