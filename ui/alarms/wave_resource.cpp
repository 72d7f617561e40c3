#include "ui/alarms/wave_resource.h"

namespace ui {

int PlayWaveResource(UINT id, bool loop) {
    HMODULE module = GetModuleHandleA(nullptr);
    HRSRC info = FindResourceA(module, MAKEINTRESOURCEA(id), "WAVE");
    if (!info) return 0;
    HGLOBAL handle = LoadResource(module, info);
    if (!handle) return 0;
    const void* image = LockResource(handle);
    if (!image) return 0;
    UINT flags = SND_ASYNC | SND_NODEFAULT | SND_MEMORY;
    if (loop) flags |= SND_LOOP;
    return sndPlaySoundA(static_cast<LPCSTR>(image), flags);
}

}  // namespace ui
