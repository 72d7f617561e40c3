#include "ui/alarms/wave_resource.h"

#include <gtest/gtest.h>

#include "core/alarms/alarm_sound.h"
#include "test_resources.h"

namespace {

TEST(PlayWaveResource, MissingResourceGivesZeroAndEverySoundsClipPlays) {
    EXPECT_EQ(ui::PlayWaveResource(178, false), 0) << "there is no sound 178";
    EXPECT_EQ(ui::PlayWaveResource(9999, true), 0);
    // The test executable carries one small clip. Without a sound device Wine still
    // accepts an asynchronous play.
    EXPECT_NE(ui::PlayWaveResource(IDR_TEST_WAVE, false), 0);
    // Each sound's clip is a resource the program carries.
    for (int sound = 0; sound < horolux::kSoundCount; ++sound)
        if (const auto clip = horolux::AlarmSoundResource(sound))
            EXPECT_NE(ui::PlayWaveResource(*clip, false), 0)
                << "sound " << sound << ", clip " << *clip;
    sndPlaySoundA(nullptr, 0);
}

}  // namespace
