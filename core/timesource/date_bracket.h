#pragma once
// Sub-second offset from a web server's whole-second Date header. An answer sent at t0 and
// received at t2 (the PC's clock) naming second s was stamped at some t in [t0, t2] when the
// server's clock read in [s, s + 1), so the offset (server minus PC) lies in
// [s - t2, s + 1 - t0]. Each request is timed so that the server's second is expected to change
// at the middle of the offset interval known so far; its answer then halves the interval.
// The Win32 side sends the requests over one keep-alive connection and feeds the answers in.
#include <cstdint>

#include "core/timesource/unix_micros.h"

namespace horolux {

enum class BracketStatus {
    Measuring,     // send another request at NextSendTime
    Done,          // Offset and Bound hold the result
    Inconsistent,  // the answers contradict each other (the server's clock jumped) or the
                   // times given make no sense (received before sent); no result
};

class DateBracket {
public:
    static constexpr int kMaxRequests = 8;
    // Stop early once the interval is this narrow (microseconds).
    static constexpr std::int64_t kDefaultTargetWidth = 1'000;

    explicit DateBracket(std::int64_t targetWidth = kDefaultTargetWidth)
        : targetWidth_(targetWidth) {}

    BracketStatus Status() const { return status_; }
    int Requests() const { return requests_; }

    // The moment, on the PC's clock and not before now, to send the next request: now for the
    // first; later the moment at which, half the shortest round trip seen after it, the server's
    // clock is expected to pass a whole second if the offset were the interval's midpoint.
    UnixMicros NextSendTime(UnixMicros now) const;

    // One answer: sent at t0, the Date header's Unix second, received at t2. Ignored unless
    // Measuring.
    BracketStatus Take(UnixMicros t0, std::int64_t serverSecond, UnixMicros t2);

    // The offset interval in microseconds; meaningful once an answer was taken and while the
    // status is not Inconsistent.
    std::int64_t Low() const { return low_; }
    std::int64_t High() const { return high_; }
    std::int64_t Width() const { return high_ - low_; }
    // The interval's midpoint and half its width, rounded up: the true offset lies within
    // Offset() +- Bound().
    std::int64_t Offset() const;
    std::int64_t Bound() const;

private:
    std::int64_t targetWidth_;
    BracketStatus status_ = BracketStatus::Measuring;
    int requests_ = 0;
    std::int64_t low_ = 0;
    std::int64_t high_ = 0;
    std::int64_t shortestRoundTrip_ = 0;
};

}  // namespace horolux
