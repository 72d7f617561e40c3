#include "core/clockwnd/transparency.h"

#include <algorithm>

namespace horolux {

int ResolveOpacity(int requested, int current, int stored) {
    const int opacity = requested < 0 ? stored : requested > 0 ? requested : current;
    return std::clamp(opacity, kMinOpacity, kMaxOpacity);
}

std::uint8_t AlphaFromPercent(std::uint8_t percent) {
    const int p = std::min<int>(percent, kMaxOpacity);
    return static_cast<std::uint8_t>(p * 255 / 100);
}

std::optional<int> TrackedSliderPosition(int y, int thumbTop, int bandBottom) {
    if (y >= thumbTop && y < bandBottom) return y;
    if (y > bandBottom) return 100;
    if (y < thumbTop) return 0;
    return std::nullopt;
}

}  // namespace horolux
