#pragma once
// The alarm sounds by number, and the words the Set Alarm dialog puts beside an interval.
#include <optional>
#include <string>

namespace horolux {

inline constexpr int kSoundNone = 0;
inline constexpr int kSoundBeep = 1;    // four rising beeps of the PC speaker
inline constexpr int kSoundCount = 11;  // numbers 0..10

// The WAVE resource of a sound number that plays a clip (2..10); nothing for the others.
std::optional<unsigned> AlarmSoundResource(int sound);

// The frequencies of the PC beep, each sounded for kBeepMilliseconds.
inline constexpr unsigned kBeepFrequencies[] = {200, 400, 600, 800};
inline constexpr unsigned kBeepMilliseconds = 100;

// "= N days" from 1440 minutes on, "= N hours" from 60, else "minutes" (whole units, truncated).
std::string IntervalLabel(int minutes);

// True when every character is a decimal digit; an empty text passes.
bool AllDigits(const std::string& text);

}  // namespace horolux
