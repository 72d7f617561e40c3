#pragma once
// CHoroluxApp: single instance, where the program lives, autostart, and the sounds. It owns the
// program's model and hands it, with the sound player, to the main window.
#include <memory>
#include <string>

#include "core/app/horolux_model.h"
#include "core/settings/defaults_store.h"
#include "core/settings/policy.h"
#include "framework/app.h"
#include "platform/handles.h"
#include "platform/registry_profile.h"
#include "ui/alarms/alarm_sound.h"

namespace ui {

inline constexpr char kMainCaption[] = "Horolux";
inline constexpr char kProfileRootKey[] = "Horolux";
// The machine's defaults: HKEY_LOCAL_MACHINE\Software\Horolux\Horolux\Defaults.
inline constexpr char kMachineDefaultsRoot[] = "Software\\Horolux\\Horolux";
// Held for the program's life; one program per user session.
inline constexpr char kInstanceMutexName[] = "Local\\Horolux.Instance";

class CHoroluxApp : public fw::CWinApp {
public:
    bool InitInstance() override;

    // Registers the executable in the application path for autostart with Windows.
    void WriteRunValue();

private:
    platform::KernelHandle m_instanceMutex;
    // Made once the profile's place is set: the settings it reads live there.
    // The machine's defaults under the user's settings: what an installer or administrator chose
    // for a user who has not.
    std::unique_ptr<platform::RegistryProfile> m_machineDefaults;
    std::unique_ptr<horolux::WithDefaults> m_withDefaults;
    std::unique_ptr<platform::RegistryProfile> m_policy;  // Group Policy, over everything
    std::unique_ptr<horolux::WithPolicy> m_settings;
    std::unique_ptr<horolux::HoroluxModel> m_model;
    AlarmSoundPlayer m_sounds;
};

extern CHoroluxApp theApp;

}  // namespace ui
