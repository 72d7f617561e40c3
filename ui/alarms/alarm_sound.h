#pragma once

namespace ui {

// Plays an alarm sound by its number: the PC beep (returns after the four beeps), a clip of the
// program's resources (returns at once, replacing one still playing), or nothing. The windows
// that ring or preview a sound are given a player rather than reaching for one, so a test can
// stand in its own.
class AlarmSoundPlayer {
public:
    virtual ~AlarmSoundPlayer() = default;
    virtual void PlayAlarmSound(int sound);
};

}  // namespace ui
