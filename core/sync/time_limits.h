#pragma once
// Every time limit of a sync, in one place: the network steps, each source's measurement, the time
// service's pipe and the program's wait for the service. Each is tied to what it must outlast, so
// that a slow server ends a measurement before anyone waiting for it gives up, and the program
// never falls back to a sync of its own while the service is still at work. Milliseconds.
#include <algorithm>
#include <cstdint>

#include "core/timesource/ntp_exchange.h"

namespace horolux {

// The network. Connecting, sending and each wait for data give up after this, so a server that
// stays silent cannot hold the program (and every alarm) or the service.
inline constexpr std::uint32_t kHttpStepTimeoutMs = 10000;
// A server that sends a byte now and then is given this long from the page's request to the last
// byte kept.
inline constexpr std::uint32_t kPageAnswerTimeMs = 15000;
// A web clock starts no request after this, counted from its first, and gives the interval its
// answers bracket so far: its schedule spaces up to sixteen requests by up to a second, which
// this leaves room for even at a second's round trip.
inline constexpr std::uint32_t kWebClockTimeMs = 25000;

// The Automatic source takes the answers that came within this, counted from the start of all
// its measurements; a web clock starts no request after it.
inline constexpr std::uint32_t kAutomaticWaitMs = 3000;

// The slowest end of each measurement. A request is at most three steps (connect, send, wait for
// the headers); the page's deadline is looked at before each read, whose wait may pass it once.
inline constexpr std::uint32_t kSlowestRequestMs = 3 * kHttpStepTimeoutMs;
inline constexpr std::uint32_t kSlowestPageMs =
    std::max(kSlowestRequestMs, kPageAnswerTimeMs + kHttpStepTimeoutMs);
inline constexpr std::uint32_t kSlowestTimeServerMs =
    static_cast<std::uint32_t>(kNtpExchangeWindow / 1000);
inline constexpr std::uint32_t kSlowestWebClockMs = kWebClockTimeMs + kSlowestRequestMs;
// The Automatic source does not wait for the measurements it leaves out.
inline constexpr std::uint32_t kSlowestAutomaticMs = kAutomaticWaitMs;
inline constexpr std::uint32_t kSlowestMeasurementMs =
    std::max({kSlowestPageMs, kSlowestTimeServerMs, kSlowestWebClockMs, kSlowestAutomaticMs});
static_assert(kWebClockTimeMs >= 16 * 1000 + 8 * 1000,
              "two attempts' schedules and round trips of up to half a second fit");

// The time service's pipe: a client has this long from connecting to the whole request, and
// again to take the answer and hang up.
inline constexpr std::uint32_t kPipeRequestTimeoutMs = 2000;
inline constexpr std::uint32_t kPipeAnswerTimeoutMs = 2000;
// One client's whole turn at the pipe, at the slowest.
inline constexpr std::uint32_t kSlowestServiceSyncMs =
    kPipeRequestTimeoutMs + kSlowestMeasurementMs + 2 * kPipeAnswerTimeoutMs;
// What the service tells the service control manager to allow it for starting (the pipe is made
// before it says it runs) and for stopping (a sync under way is finished first).
inline constexpr std::uint32_t kServiceStartHintMs = 5000;
inline constexpr std::uint32_t kServiceStopHintMs = kSlowestServiceSyncMs;

// The program's wait for the service.
inline constexpr std::uint32_t kClientStepMs = 50;  // progress between waits
// A stopped service is given this long to come up.
inline constexpr std::uint32_t kClientStartTimeoutMs = 5000;
// Another client being served is waited for this long before the program syncs by itself.
inline constexpr std::uint32_t kClientBusyTimeoutMs = 65000;
// The answer is waited for this long once the request is written.
inline constexpr std::uint32_t kClientAnswerTimeoutMs = 60000;

static_assert(kClientStartTimeoutMs >= kServiceStartHintMs,
              "the program waits for a starting service as long as the service asks for");
static_assert(kClientBusyTimeoutMs >= kSlowestServiceSyncMs,
              "the program outwaits another client's slowest turn");
static_assert(kClientAnswerTimeoutMs >= kPipeRequestTimeoutMs + kSlowestMeasurementMs,
              "the program outwaits the slowest measurement");

}  // namespace horolux
