#include "core/tray/sync_frames.h"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

namespace horolux {
namespace {

// The frames a whole sync shows: its phases as reported, then the failure's, if it failed.
int Frames(bool page, const std::vector<SyncPhase>& phases, bool failed) {
    int frames = 0;
    std::optional<SyncPhase> last;
    for (const SyncPhase phase : phases) {
        frames += SyncPhaseFrames(page, phase);
        last = phase;
    }
    return frames + (failed ? SyncFailureFrames(page, last) : 0);
}

// The tray moves on as it always did: one frame for each step of the page's fetch (five when it
// is read, two when no answer came, none when the library cannot start) and four for setting the
// clock from it; one for each request of a measured source and one before correcting the clock.
TEST(SyncFrames, EachWayASyncEndsShowsTheFramesItAlwaysShowed) {
    using P = SyncPhase;
    const struct {
        bool page;
        std::vector<SyncPhase> phases;
        bool failed;
        int frames;
    } cases[] = {
        {true, {P::Connecting, P::Reading, P::Setting}, false, 5 + 4},
        {true, {P::Connecting, P::Reading, P::Setting}, true, 5 + 4},  // the clock refused
        {true, {P::Connecting, P::Reading}, true, 5},                  // unread or unrecognised
        {true, {P::Connecting}, true, 2},                              // no answer
        {true, {}, true, 0},                                           // no library
        {false, {P::Reading, P::Reading, P::Reading, P::Setting}, false, 3 + 1},
        {false, {P::Reading, P::Reading}, true, 2},
        {false, {P::Connecting}, true, 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Frames(c.page, c.phases, c.failed), c.frames)
            << "page " << c.page << ", " << c.phases.size() << " phases, failed " << c.failed;
}

}  // namespace
}  // namespace horolux
