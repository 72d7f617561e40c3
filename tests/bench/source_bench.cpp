// source_bench: measures the live time sources against the loopback servers whose clocks are
// known (tools/sntpserver.py, with a network delay added both ways or one way only, so the client
// cannot simply split it), N times each, and prints per source: the median and 95th-percentile
// measuring time, the time of one bare query of the same server, their ratio, the error of the
// measured offset against the server's known offset, the bound, whether the error stayed inside
// the bound, and the number of requests. Then several sources at once, one of them five seconds
// wrong: whether it was outvoted every time; and chronyd's NTS server ("n/a" when it cannot be
// measured at all). Each case ends with a "row|" line for the table that script/bench prints
// beside the peers' figures.
//   source_bench [N]     (script/bench sets up the Wine session and the servers)
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "tests/bench/percentile.h"
#include "tests/wine/proxy_settings.h"
#include "timesync/automatic_source.h"
#include "timesync/precise_clock.h"
#include "timesync/sntp_client.h"
#include "timesync/web_clock.h"

using namespace timesync;  // the layer under test

namespace {

using bench::Percentile;

struct Run {
    std::vector<double> ms, errorMs, boundMs, requests;
    int outside = 0, failed = 0;
};

void Print(const char* name, const Run& r, double bareMs) {
    const double median = Percentile(r.ms, 0.5);
    std::printf("%s: %zu measurements, %d failed\n", name, r.ms.size(), r.failed);
    std::printf("  time: median %.1f ms, 95th percentile %.1f ms", median, Percentile(r.ms, 0.95));
    if (bareMs > 0)
        std::printf("; one bare query %.2f ms; ratio %.1f\n", bareMs, median / bareMs);
    else
        std::printf(" (mostly waiting for the server's second to change)\n");
    std::printf("  |error|: median %.2f ms, 95th percentile %.2f ms, largest %.2f ms\n",
                Percentile(r.errorMs, 0.5), Percentile(r.errorMs, 0.95),
                Percentile(r.errorMs, 1.0));
    std::printf("  bound: median %.2f ms, largest %.2f ms; error outside the bound: %d times\n",
                Percentile(r.boundMs, 0.5), Percentile(r.boundMs, 1.0), r.outside);
    std::printf("  requests: median %.0f, most %.0f\n", Percentile(r.requests, 0.5),
                Percentile(r.requests, 1.0));
}

// "row|case|tool|runs|failed|median |error| ms|95th ms|median bound ms|outside|median time ms|
// median requests"
void Row(const char* name, const Run& r) {
    std::printf("row|%s|Horolux|%zu|%d|%.3f|%.3f|%.3f|%d|%.0f|%.0f\n", name, r.ms.size(), r.failed,
                Percentile(r.errorMs, 0.5), Percentile(r.errorMs, 0.95), Percentile(r.boundMs, 0.5),
                r.outside, Percentile(r.ms, 0.5), Percentile(r.requests, 0.5));
}

Run Measure(int n, std::int64_t trueOffset,
            const std::function<horolux::TimeMeasurement()>& measure) {
    Run r;
    for (int i = 0; i < n; ++i) {
        const horolux::UnixMicros start = timesync::PreciseNowMicros();
        const horolux::TimeMeasurement m = measure();
        r.ms.push_back(static_cast<double>(PreciseNowMicros() - start) / 1000.0);
        if (m.outcome != horolux::TimeMeasurement::Outcome::Ok) {
            ++r.failed;
            continue;
        }
        const double error = std::fabs(static_cast<double>(m.offset - trueOffset)) / 1000.0;
        r.errorMs.push_back(error);
        r.boundMs.push_back(static_cast<double>(m.bound) / 1000.0);
        r.requests.push_back(m.requests);
        if (std::llabs(m.offset - trueOffset) > m.bound) ++r.outside;
    }
    return r;
}

// n measurements of five sources at once: both loopback SNTP servers, chronyd, and the first
// server's and lighttpd's web clocks; wrong is the control query that makes one of them wrong
// (sent to the second server, or with stale to the first), and falseticker its place in the
// list, which must be named "disagrees" or the measurement counts as failed.
Run MeasureSeveral(int n, int port, const std::string& url, const std::string& wrong, bool stale,
                   std::size_t falseticker) {
    const std::string second = test::EnvText("HOROLUX_SNTPSERVER2_PORT");
    const std::string chrony = test::EnvText("HOROLUX_CHRONY_PORT");
    const std::string lighttpd = test::EnvText("HOROLUX_LIGHTTPD_PORT");
    if (second.empty() || chrony.empty() || lighttpd.empty()) {
        std::fprintf(stderr,
                     "source_bench: the second SNTP server, chronyd or lighttpd is "
                     "missing\n");
        return Run{{}, {}, {}, {}, 0, n};
    }
    const int wrongPort = stale ? port : std::atoi(second.c_str());
    test::ServerGet(port, "/control?mode=now&offset=0");
    test::ServerGet(wrongPort, "/control?" + wrong);
    const std::vector<std::string> texts = {
        "server:127.0.0.1:" + std::to_string(port), "server:127.0.0.1:" + second,
        "server:127.0.0.1:" + chrony, "web:" + url, "web:http://127.0.0.1:" + lighttpd + "/"};
    const auto entries = horolux::ReadSourceEntries(texts).entries;
    horolux::RefusedServers refused;
    Run r = Measure(n, 0, [&] {
        const AutomaticMeasurement a = MeasureAutomatic(entries, refused, WinInetStack(), {});
        horolux::TimeMeasurement m = a.combined;
        if (horolux::VerdictText(a.answers[falseticker]) != "disagrees") {
            m.outcome = horolux::TimeMeasurement::Outcome::Refused;
            m.failure = "the falseticker was not named";
        }
        m.requests = a.selection.used;  // the sources used, for the table
        return m;
    });
    test::ServerGet(wrongPort, "/control?mode=now&offset=0&datelag=0");
    return r;
}

// chronyd's NTS server on loopback, serving this machine's clock, measured as the entry
// "nts:localhost:PORT" would be. When the first measurement fails (no server, a certificate the
// prefix does not trust), the row says "n/a" with the reason and the bench goes on without it.
void MeasureNts(int n) {
    const char* kCase = "NTS, chronyd serving this clock";
    const std::string port = test::EnvText("HOROLUX_NTS_KE_PORT");
    const auto entries = horolux::ReadSourceEntries({"nts:localhost:" + port}).entries;
    horolux::RefusedServers refused;
    auto measure = [&] { return MeasureAutomatic(entries, refused, WinInetStack(), {}).combined; };
    std::string why = port.empty()      ? "HOROLUX_NTS_KE_PORT is not set"
                      : entries.empty() ? "the entry nts:localhost:" + port + " does not read"
                                        : "";
    if (why.empty()) {
        const horolux::TimeMeasurement first = measure();
        if (first.outcome != horolux::TimeMeasurement::Outcome::Ok)
            why = "the first measurement failed: " + first.failure;
    }
    if (!why.empty()) {
        std::printf("%s: n/a (%s)\n", kCase, why.c_str());
        std::printf("row|%s|Horolux|0|0|n/a|n/a|-|-|-|-\n", kCase);
        return;
    }
    const Run nts = Measure(n, 0, measure);
    Print(kCase, nts, 0.0);
    Row(kCase, nts);
}

}  // namespace

int main(int argc, char** argv) {
    const int n = argc > 1 ? std::max(1, std::atoi(argv[1])) : 200;
    const std::string portText = test::EnvText("HOROLUX_SNTPSERVER_PORT");
    if (portText.empty()) {
        std::fprintf(stderr,
                     "source_bench: HOROLUX_SNTPSERVER_PORT is not set (script/bench sets it)\n");
        return 2;
    }
    const int port = std::atoi(portText.c_str());
    const test::LoopbackBypassesTheProxy bypass;  // the web clock itself, not the page's proxy
    const std::string server = "127.0.0.1:" + portText;
    const std::string url = "http://" + server + "/clock";
    auto control = [&](const std::string& q) {
        return test::ServerGet(port, "/control?" + q) == "ok\n";
    };

    // Time server with 6 ms added each way, half before the server stamps and half after.
    horolux::RefusedServers refused;
    if (!control("mode=delay&delay=0.012&offset=1.5")) return 2;
    const Run symmetric =
        Measure(n, 1'500'000, [&] { return timesync::MeasureTimeServer(server, refused); });
    Print("Internet time server (SNTP, 6 ms each way, +1.5 s)", symmetric, 0.0);
    Row("time server, 6 ms each way", symmetric);

    // Time server: the server's clock 1.5 s ahead; 6 ms added on the way out only. SNTP assumes
    // both ways equal, so it reads half the difference (3 ms) too much and must cover that with
    // its bound: no client can tell a one-sided delay from an offset.
    if (!control("mode=delayout&delay=0.006&offset=1.5")) return 2;
    const Run sntp =
        Measure(n, 1'500'000, [&] { return timesync::MeasureTimeServer(server, refused); });
    if (!control("mode=now&offset=0")) return 2;
    const Run bareSntp = Measure(20, 0, [&] {
        // A measurement's time over its exchanges: what one bare query costs.
        horolux::RefusedServers r;
        return timesync::MeasureTimeServer(server, r);
    });
    Print("Internet time server (SNTP, 6 ms one-way delay, +1.5 s)", sntp,
          Percentile(bareSntp.ms, 0.5) / std::max(1.0, Percentile(bareSntp.requests, 0.5)));
    Row("time server, 6 ms one way", sntp);

    // Web server clock: the server's clock 0.3217 s ahead, in whole seconds on its Date header.
    if (!control("mode=offset&offset=0.3217&dateform=imf")) return 2;
    const Run web = Measure(n / 4 > 0 ? n / 4 : 1, 321'700, [&] {
        return timesync::MeasureWebClock(url, {}, timesync::WinInetStack());
    });
    control("mode=now&offset=0");
    Print("Web server clock (HTTP Date, +0.3217 s)", web, 0.0);
    Row("web clock, +0.3217 s", web);

    // The same over verified HTTPS (tools/httpsclock.py, started 0.3217 s ahead by script/bench):
    // one handshake per measurement on a kept-alive connection.
    if (const std::string https = test::EnvText("HOROLUX_HTTPS_GOOD_PORT"); !https.empty()) {
        const std::string secure = "https://localhost:" + https + "/";
        const Run tls = Measure(n / 4 > 0 ? n / 4 : 1, 321'700, [&] {
            return timesync::MeasureWebClock(secure, {}, timesync::WinInetStack());
        });
        Print("Web server clock over HTTPS (verified, +0.3217 s)", tls, 0.0);
        Row("web clock over HTTPS, +0.3217 s", tls);
    }

    // Several sources, the second SNTP server five seconds wrong; the others serve this clock.
    const Run automatic = MeasureSeveral(n, port, url, "mode=offset&offset=5", false, 1);
    Print("Automatic (3 time servers, 2 web clocks, one server 5 s wrong)", automatic, 0.0);
    Row("several sources, one server 5 s wrong", automatic);
    // The first server's web clock stamping a Date cached 0.6 s ago, lighttpd its own.
    const Run stale = MeasureSeveral(n, port, url, "datelag=0.6", true, 3);
    Print("Automatic (3 time servers, 2 web clocks, both stale)", stale, 0.0);
    Row("several sources, web clocks stale", stale);
    MeasureNts(n);
    return sntp.outside + web.outside + symmetric.outside + automatic.outside + automatic.failed +
                       stale.outside + stale.failed ==
                   0
               ? 0
               : 1;
}
