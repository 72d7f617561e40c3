#pragma once
// Plays an alarm sound by its number: the PC beep (returns after the four beeps), a clip of the
// program's resources (returns at once, replacing one still playing), or nothing.
void PlayAlarmSound(int sound);
