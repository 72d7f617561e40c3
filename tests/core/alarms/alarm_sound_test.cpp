#include "core/alarms/alarm_sound.h"

#include <gtest/gtest.h>

namespace horolux {
namespace {

TEST(AlarmSound, NumbersMapToTheirClips) {
    const unsigned expected[] = {0, 0, 174, 175, 176, 177, 183, 179, 180, 181, 182};
    for (int sound = 0; sound < kSoundCount; ++sound) {
        const auto clip = AlarmSoundResource(sound);
        if (expected[sound] == 0)
            EXPECT_FALSE(clip) << sound;
        else
            EXPECT_EQ(clip, expected[sound]) << sound;
    }
    for (int outside : {-1, 11, 178, 1000}) EXPECT_FALSE(AlarmSoundResource(outside)) << outside;
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
