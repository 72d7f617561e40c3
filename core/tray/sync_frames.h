#pragma once
// How far the tray animation moves on as a sync reports its phases. A sync blocks the window's
// thread, so these frames are all the animation the user sees meanwhile; they keep the rhythm the
// program always had: a frame for each step of the page's fetch and of setting the clock from it,
// one for each request of a measured source and one before the clock is corrected.
#include <optional>

#include "core/sync/sync_outcome.h"

namespace horolux {

// The frames for entering phase, in a sync of the time page (page) or of a measured source.
int SyncPhaseFrames(bool page, SyncPhase phase);
// The frames for the steps a page fetch still took after its last reported phase (nothing when
// none was reported) when the sync ends without setting the clock: closing the connection, and
// the read when an answer had come; none once the clock was being set.
int SyncFailureFrames(bool page, std::optional<SyncPhase> lastPhase);

}  // namespace horolux
