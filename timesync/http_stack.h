#pragma once
// The one seam under the time sources' HTTP: the page fetch and the web clock's HEAD requests
// run over WinINet in the program (the user's proxy and TLS settings) and over WinHTTP in the
// time service, where WinINet is not supported. The measuring above it is the same code.
// No Windows header here: winhttp.h and wininet.h cannot share a file.
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "core/sync/sync_outcome.h"
#include "core/sync/time_limits.h"
#include "core/sync/time_page.h"
#include "core/timesource/http_url.h"
#include "core/timesource/ntp_packet.h"
#include "timesync/server_certificate.h"

namespace timesync {

// The historic US Naval Observatory master clock page,
// http://tycho.usno.navy.mil/cgi-bin/timer.pl. Plain HTTP on the default port; the only way to
// reach another server is the proxy setting.
inline constexpr char kTimePageHost[] = "tycho.usno.navy.mil";
inline constexpr char kTimePagePath[] = "/cgi-bin/timer.pl";
inline constexpr char kTimeAgentName[] = "Horolux";
// The time service names itself apart, so a server's log tells its requests from the program's.
inline constexpr char kServiceAgentName[] = "Horolux Time Service";

struct TimePage {
    horolux::TimePageOutcome outcome = horolux::TimePageOutcome::OpenFailed;
    // On Ok: exactly kTimePageSize characters, the body over blanks; a NUL in the body ends the
    // text that ParseUniversalTime examines.
    std::string text;
};

// What one HEAD request brought back, stamped with the PC's precise clock.
struct HeadAnswer {
    horolux::UnixMicros sent = 0;      // just before the request went out
    horolux::UnixMicros answered = 0;  // just after the answer's headers were in
    std::string headers;  // the raw header block, CRLF lines; empty when it could not be read
    // https: the certificates of the secure connection the answer came over, the server's own
    // first; none when it did not come over one (a proxy's own answer, such as its refusal to
    // tunnel). The stack does not judge them: the web clock does, at the time the server vouches
    // for (timesync/server_certificate.h).
    CertificateChain certificates;
};

// One keep-alive connection to one web server. Over https, a redirect is an answer of its own and
// is never followed, so that no answer but the server's own counts.
class HttpConnection {
public:
    virtual ~HttpConnection() = default;
    // One HEAD request of path (as ParseHttpUrl gives it); nothing when no answer came.
    virtual std::optional<HeadAnswer> Head(const std::string& path) = 0;
};

class HttpStack {
public:
    virtual ~HttpStack() = default;
    // A connection to the server of url, its waits bounded by kHttpStepTimeoutMs; null when the
    // library cannot start, its waits cannot be bounded or the server cannot be reached.
    virtual std::unique_ptr<HttpConnection> Connect(const horolux::HttpUrl& url) = 0;
    // The first kTimePageSize bytes of the time page, reporting Connecting once the library is
    // ready and Reading once the page's answer came. A silent server ends in ConnectFailed after
    // kHttpStepTimeoutMs, a trickling one in ReadFailed kPageAnswerTimeMs after the request.
    virtual TimePage FetchTimePage(const std::function<void(horolux::SyncPhase)>& progress) = 0;
};

// The program's: WinINet with the user's proxy and TLS settings.
HttpStack& WinInetStack();
// For a service: WinHTTP with the machine's proxy setting (netsh winhttp; under Wine also
// http_proxy, when the machine has none).
HttpStack& WinHttpStack();

}  // namespace timesync
