#pragma once
// The tray icon's animation bookkeeping, apart from the shell: the frame list with its current
// frame, the period rule and the date-time arithmetic it rests on.
#include <cstddef>
#include <new>
#include <optional>
#include <vector>

namespace horolux {

enum class FrameListResult { kOk, kBadRange, kOutOfMemory };

// Icon is whatever the caller loads a frame as (a handle on Windows, an ID in the tests).
template <class Icon>
class TrayFrames {
public:
    // Replaces the frames with load(id) for every id from first to last. A reversed range fails
    // and keeps the frames there were; running out of memory (std::bad_alloc, from the list or
    // from load) leaves no frames at all.
    template <class Load>
    FrameListResult Set(unsigned first, unsigned last, Load&& load) {
        if (first > last) return FrameListResult::kBadRange;
        icons_.clear();
        try {
            for (unsigned id = first;; ++id) {
                icons_.push_back(load(id));
                if (id == last) break;  // also ends a range that reaches the largest ID
            }
        } catch (const std::bad_alloc&) {
            Clear();
            return FrameListResult::kOutOfMemory;
        }
        return FrameListResult::kOk;
    }

    void Clear() {
        icons_.clear();
        icons_.shrink_to_fit();
    }

    // Steps to the following frame, back to the first after the last; none without frames.
    std::optional<Icon> Next() {
        if (icons_.empty()) return std::nullopt;
        if (++current_ >= static_cast<int>(icons_.size())) current_ = 0;
        return icons_[static_cast<std::size_t>(current_)];
    }

    void Restart() { current_ = 0; }
    int Current() const { return current_; }
    std::size_t Size() const { return icons_.size(); }
    bool Empty() const { return icons_.empty(); }
    const Icon& operator[](std::size_t i) const { return icons_[i]; }

private:
    std::vector<Icon> icons_;
    int current_ = 0;
};

// A moment as a date-time value: days since 1899-12-30 00:00, the fraction being the time of day.
double DateTimeDays(int year, int month, int day, int hour, int minute, int second,
                    int millisecond);

// Whole seconds from start to now (both in days), rounded to the nearest second as a date-time
// span counts them: half a second's worth of days is added before the fraction is dropped.
long WholeSecondsBetween(double startDays, double nowDays);

// Whether an animation started at startDays with this period (seconds; 0 or less: no limit)
// must stop at a timer tick at nowDays: only once more than the period has passed.
bool AnimationPeriodOver(double startDays, double nowDays, int periodSeconds);

}  // namespace horolux
