#pragma once
// An http:// or https:// URL taken apart for a request: whether it is secure, the host and port
// to connect to, and the target to ask for.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace horolux {

// A port number written in decimal digits, 1 to 65535, as URLs and server texts give it; nothing
// for an empty text, a sign, a blank or a number out of range.
std::optional<std::uint16_t> ReadPort(std::string_view digits);

// The parts of an http:// or https:// URL as they are written ("https://user@[::1]:8443/x?y#z":
// secure, host "::1", port "8443", target "/x?y#z"); the scheme is matched in any case, the user
// information is dropped, and port is what follows the host without its colon. Nothing when the
// scheme is another, the host is empty or holds a blank or control character, or a bracketed host
// is not closed.
struct HttpUrlText {
    bool secure = false;
    std::string_view host, port, target;
};
std::optional<HttpUrlText> SplitHttpUrl(std::string_view url);

struct HttpUrl {
    bool secure = false;
    std::string host;        // without the brackets of an IPv6 address
    std::uint16_t port = 0;  // 80 or 443 when the URL names none
    std::string path;        // path and query for the request line, at least "/"
    bool operator==(const HttpUrl&) const = default;
};

// A URL SplitHttpUrl accepts, with a port of 1 to 65535 when one is written. The fragment is the
// client's and is left out of the path; blanks and bytes above 127 in the path are
// percent-encoded; a control character in it gives nothing, since it would break the request.
std::optional<HttpUrl> ParseHttpUrl(std::string_view url);

}  // namespace horolux
