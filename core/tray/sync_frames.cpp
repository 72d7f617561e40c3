#include "core/tray/sync_frames.h"

namespace horolux {

int SyncPhaseFrames(bool page, SyncPhase phase) {
    switch (phase) {
        case SyncPhase::Connecting:
            return page ? 1 : 0;  // the library opened (a measured source has no such step)
        case SyncPhase::Reading:
            return page ? 2 : 1;  // the request came back, reading begins; or one request done
        case SyncPhase::Setting:
            // The page's read and close, then reading, converting and setting the clock.
            return page ? 2 + 4 : 1;
    }
    return 0;
}

int SyncFailureFrames(bool page, std::optional<SyncPhase> lastPhase) {
    if (!page || !lastPhase) return 0;
    switch (*lastPhase) {
        case SyncPhase::Connecting:
            return 1;  // the request that failed
        case SyncPhase::Reading:
            return 2;  // the read, and closing
        case SyncPhase::Setting:
        default:
            return 0;  // the fetch's steps are all counted
    }
}

}  // namespace horolux
