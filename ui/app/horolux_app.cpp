#include "ui/app/horolux_app.h"

#include "core/app/startup.h"
#include "ui/mainwnd/autostart.h"
#include "ui/mainwnd/main_dialog.h"

namespace ui {

CHoroluxApp theApp;

namespace {

// The running program's main window: captioned "Horolux" and marked as ours. The first program
// may still be starting, so it is given a few seconds to show up.
HWND FindRunningMainWindow(DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    for (;;) {
        for (HWND w = nullptr; (w = FindWindowExA(nullptr, w, nullptr, kMainCaption)) != nullptr;)
            if (GetPropA(w, kMainWindowProperty)) return w;
        if (GetTickCount() - start >= timeoutMs) return nullptr;
        Sleep(50);
    }
}

}  // namespace

bool CHoroluxApp::InitInstance() {
    SetRegistryKey(kProfileRootKey);

    // The mutex decides, so two starts at the same moment leave one program; another program's
    // window that happens to be captioned "Horolux" decides nothing.
    HANDLE mutex = CreateMutexA(nullptr, FALSE, kInstanceMutexName);
    const bool second = mutex
                            ? GetLastError() == ERROR_ALREADY_EXISTS
                            : FindRunningMainWindow(0) != nullptr;  // no mutex: the window must do
    m_instanceMutex.Reset(mutex);
    if (second) {
        if (HWND running = FindRunningMainWindow(10000)) PostMessageA(running, UWM_SHOW_MAIN, 0, 0);
        return false;
    }

    char cwd[MAX_PATH + 1] = {};
    const DWORD length = GetCurrentDirectoryA(MAX_PATH, cwd);
    if (length == 0 || length >= MAX_PATH) cwd[0] = '\0';
    const horolux::StartupRecord record = horolux::RecordStartup(Profile(), cwd, FileExists);
    m_machineDefaults = std::make_unique<platform::RegistryProfile>(
        kMachineDefaultsRoot, HKEY_LOCAL_MACHINE, platform::RegistryProfile::Access::ReadOnly);
    m_withDefaults = std::make_unique<horolux::WithDefaults>(Profile(), *m_machineDefaults);
    m_policy = std::make_unique<platform::RegistryProfile>(
        horolux::policy::kRoot, HKEY_LOCAL_MACHINE, platform::RegistryProfile::Access::ReadOnly);
    m_settings = std::make_unique<horolux::WithPolicy>(*m_withDefaults, *m_policy);
    m_model = std::make_unique<horolux::HoroluxModel>(*m_settings);
    m_model->policyHeld = horolux::policy::HeldNames(*m_policy);
    m_model->appPath = record.appPath;
    m_model->firstRun = record.firstRun;
    if (record.writeRunValue) WriteRunValue();

    CHoroluxDlg dialog(*m_model, m_sounds);
    m_pMainWnd = &dialog;
    dialog.DoModal();
    m_pMainWnd = nullptr;
    return false;
}

void CHoroluxApp::WriteRunValue() {
    if (m_model) ui::WriteRunValue(m_model->appPath);
}

}  // namespace ui
