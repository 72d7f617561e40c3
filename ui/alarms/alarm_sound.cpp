#include "ui/alarms/alarm_sound.h"

#include "core/alarms/alarm_sound.h"
#include "ui/alarms/wave_resource.h"

namespace ui {

void AlarmSoundPlayer::PlayAlarmSound(int sound) {
    if (sound == horolux::kSoundBeep) {
        for (unsigned frequency : horolux::kBeepFrequencies)
            Beep(frequency, horolux::kBeepMilliseconds);
        return;
    }
    if (const auto clip = horolux::AlarmSoundResource(sound)) PlayWaveResource(*clip, false);
}

}  // namespace ui
