#include "core/alarms/alarm_sound.h"

#include <gtest/gtest.h>

#include <set>

namespace horolux {
namespace {

// Each clip's resource is checked to play in tests/wine/alarms/wave_resource_test.cpp.
TEST(AlarmSound, EveryNumberAfterNoneAndBeepPlaysAClipOfItsOwn) {
    std::set<unsigned> clips;
    for (int sound = -1; sound <= kSoundCount; ++sound) {
        const auto clip = AlarmSoundResource(sound);
        EXPECT_EQ(clip.has_value(), sound > kSoundBeep && sound < kSoundCount) << sound;
        if (clip) EXPECT_TRUE(clips.insert(*clip).second) << "sound " << sound << " repeats a clip";
    }
}

TEST(AlarmSound, IntervalLabelsUseWholeUnits) {
    const struct {
        int minutes;
        const char* label;
    } cases[] = {
        {0, "minutes"},     {59, "minutes"},        {60, "= 1 hours"},  {90, "= 1 hours"},
        {120, "= 2 hours"}, {1439, "= 23 hours"},   {1440, "= 1 days"}, {2879, "= 1 days"},
        {4320, "= 3 days"}, {999999, "= 694 days"}, {-5, "minutes"},
    };
    for (const auto& c : cases) EXPECT_EQ(IntervalLabel(c.minutes), c.label) << c.minutes;
}

TEST(AlarmSound, OnlyPlainDigitsAreAnInterval) {
    for (const char* ok : {"", "0", "15", "999999"}) EXPECT_TRUE(AllDigits(ok)) << ok;
    for (const char* bad : {"1.5", "+", "1e3", " 1", "-3", "12a"})
        EXPECT_FALSE(AllDigits(bad)) << bad;
}

}  // namespace
}  // namespace horolux
