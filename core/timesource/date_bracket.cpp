#include "core/timesource/date_bracket.h"

#include <algorithm>

namespace horolux {

namespace {

// Beyond these the sums below could overflow; no clock or Date header comes near them.
constexpr std::int64_t kMaxAbsTime = 1'000'000'000'000'000'000;  // about 31,700 years in µs
constexpr std::int64_t kMaxAbsSecond = kMaxAbsTime / kMicrosPerSecond;

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
    std::int64_t q = a / b;
    return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

std::int64_t FloorMod(std::int64_t a, std::int64_t b) {
    return a - FloorDiv(a, b) * b;
}

bool InRange(std::int64_t v, std::int64_t limit) {
    return v >= -limit && v <= limit;
}

}  // namespace

UnixMicros DateBracket::NextSendTime(UnixMicros now) const {
    if (requests_ == 0) return now;
    // Aim the server's stamp, expected half a round trip after sending, at a whole server
    // second that falls where the offset would be the midpoint.
    const std::int64_t aim = -Offset() - shortestRoundTrip_ / 2;
    return now + FloorMod(aim - now, kMicrosPerSecond);
}

BracketStatus DateBracket::Take(UnixMicros t0, std::int64_t serverSecond, UnixMicros t2) {
    if (status_ != BracketStatus::Measuring) return status_;
    if (!InRange(t0, kMaxAbsTime) || !InRange(t2, kMaxAbsTime) ||
        !InRange(serverSecond, kMaxAbsSecond) || t2 < t0) {
        status_ = BracketStatus::Inconsistent;
        return status_;
    }
    const std::int64_t s = serverSecond * kMicrosPerSecond;
    const std::int64_t low = s - t2;
    const std::int64_t high = s + kMicrosPerSecond - t0;
    const std::int64_t roundTrip = t2 - t0;
    if (requests_ == 0) {
        low_ = low, high_ = high, shortestRoundTrip_ = roundTrip;
    } else {
        low_ = std::max(low_, low), high_ = std::min(high_, high);
        shortestRoundTrip_ = std::min(shortestRoundTrip_, roundTrip);
    }
    ++requests_;
    if (low_ > high_) {
        status_ = BracketStatus::Inconsistent;
    } else if (requests_ >= kMaxRequests || Width() <= targetWidth_) {
        status_ = BracketStatus::Done;
    }
    return status_;
}

std::int64_t DateBracket::Offset() const {
    return low_ + (high_ - low_) / 2;
}

std::int64_t DateBracket::Bound() const {
    const std::int64_t width = high_ - low_;
    return width / 2 + width % 2;
}

}  // namespace horolux
