#include "core/alarms/alarm_sound.h"

#include <cstdio>

namespace horolux {

std::optional<unsigned> AlarmSoundResource(int sound) {
    // Sound 6 ("Jap") is resource 183, and there is no 178.
    static constexpr unsigned kClips[] = {174, 175, 176, 177, 183, 179, 180, 181, 182};
    if (sound < 2 || sound >= kSoundCount) return std::nullopt;
    return kClips[sound - 2];
}

std::string IntervalLabel(int minutes) {
    char text[32];
    if (minutes >= 1440)
        std::snprintf(text, sizeof text, "= %d days", minutes / 1440);
    else if (minutes >= 60)
        std::snprintf(text, sizeof text, "= %d hours", minutes / 60);
    else
        return "minutes";
    return text;
}

bool AllDigits(const std::string& text) {
    for (char c : text)
        if (c < '0' || c > '9') return false;
    return true;
}

}  // namespace horolux
