#include "core/timesource/http_url.h"

#include <cctype>

#include "core/text/ascii.h"

namespace horolux {
namespace {

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i)
        if (AsciiLower(text[i]) != prefix[i]) return false;
    return true;
}

std::optional<std::uint16_t> PortNumber(std::string_view text, bool secure) {
    if (text.empty()) return secure ? 443 : 80;  // "http://host:/" names the default too
    return ReadPort(text);
}

}  // namespace

std::optional<std::uint16_t> ReadPort(std::string_view digits) {
    if (digits.empty() || digits.size() > 5) return std::nullopt;
    unsigned port = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') return std::nullopt;
        port = port * 10 + static_cast<unsigned>(c - '0');
    }
    if (port == 0 || port > 65535) return std::nullopt;
    return static_cast<std::uint16_t>(port);
}

std::optional<HttpUrlText> SplitHttpUrl(std::string_view url) {
    HttpUrlText parts;
    std::size_t start;
    if (StartsWithNoCase(url, "http://")) {
        start = 7;
    } else if (StartsWithNoCase(url, "https://")) {
        start = 8;
        parts.secure = true;
    } else {
        return std::nullopt;
    }
    std::string_view authority = url.substr(start);
    const std::size_t end = authority.find_first_of("/?#");
    if (end != std::string_view::npos) parts.target = authority.substr(end);
    authority = authority.substr(0, end);
    if (const auto at = authority.rfind('@'); at != std::string_view::npos)
        authority.remove_prefix(at + 1);
    std::string_view rest;
    if (!authority.empty() && authority.front() == '[') {
        const auto close = authority.find(']');
        if (close == std::string_view::npos) return std::nullopt;
        parts.host = authority.substr(1, close - 1);
        rest = authority.substr(close + 1);
    } else {
        const auto colon = authority.find(':');
        parts.host = authority.substr(0, colon);
        if (colon != std::string_view::npos) rest = authority.substr(colon);
    }
    parts.port = !rest.empty() && rest.front() == ':' ? rest.substr(1) : rest;
    if (parts.host.empty()) return std::nullopt;
    for (char c : parts.host)
        if (IsAsciiSpace(c) || std::iscntrl(static_cast<unsigned char>(c))) return std::nullopt;
    return parts;
}

std::optional<HttpUrl> ParseHttpUrl(std::string_view url) {
    const auto parts = SplitHttpUrl(url);
    if (!parts) return std::nullopt;
    const auto port = PortNumber(parts->port, parts->secure);
    if (!port) return std::nullopt;
    HttpUrl u;
    u.secure = parts->secure;
    u.host = parts->host;
    u.port = *port;
    const std::string_view target = parts->target.substr(0, parts->target.find('#'));
    if (target.empty() || target.front() != '/') u.path += '/';
    static constexpr char kHex[] = "0123456789ABCDEF";
    for (char c : target) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) return std::nullopt;
        if (byte == ' ' || byte > 0x7F) {
            u.path += '%';
            u.path += kHex[byte >> 4];
            u.path += kHex[byte & 0xF];
        } else {
            u.path += c;
        }
    }
    return u;
}

}  // namespace horolux
