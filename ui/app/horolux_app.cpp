#include "ui/app/horolux_app.h"

#include <mmsystem.h>

#include "core/app/startup.h"
#include "ui/mainwnd/main_dialog.h"

CHoroluxApp theApp;

namespace {

LONG SetRunValue(HKEY hive, const std::string& exePath) {
    fw::RegistryKey key;
    const LONG error = RegOpenKeyExA(hive, kRunKey, 0, KEY_WRITE, key.Receive());
    if (error != ERROR_SUCCESS) return error;
    return RegSetValueExA(key.Get(), kRunValueName, 0, REG_SZ,
                          reinterpret_cast<const BYTE*>(exePath.c_str()),
                          static_cast<DWORD>(exePath.size() + 1));
}

LONG RemoveRunValue(HKEY hive) {
    fw::RegistryKey key;
    const LONG error = RegOpenKeyExA(hive, kRunKey, 0, KEY_WRITE, key.Receive());
    if (error != ERROR_SUCCESS) return error;
    return RegDeleteValueA(key.Get(), kRunValueName);
}

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

bool FileExists(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool CHoroluxApp::InitInstance() {
    SetRegistryKey(kProfileRootKey);

    // The mutex decides, so two starts at the same moment leave one program; another program's
    // window that happens to be captioned "Horolux" decides nothing.
    HANDLE mutex = CreateMutexA(nullptr, FALSE, kInstanceMutexName);
    const bool second = mutex ? GetLastError() == ERROR_ALREADY_EXISTS
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
    m_appPath = record.appPath;
    m_firstRun = record.firstRun;
    if (record.writeRunValue) WriteRunValue();

    CHoroluxDlg dialog;
    m_pMainWnd = &dialog;
    dialog.DoModal();
    m_pMainWnd = nullptr;
    return false;
}

void CHoroluxApp::WriteRunValue() {
    const std::string exePath = m_appPath + horolux::kExeFileName;
    if (!FileExists(exePath)) return;
    // A standard user cannot write the machine-wide key on current Windows; autostart for this
    // user alone is then the honest substitute, rather than a ticked box that registered nothing.
    if (SetRunValue(HKEY_LOCAL_MACHINE, exePath) == ERROR_SUCCESS)
        RemoveRunValue(HKEY_CURRENT_USER);  // one autostart entry, not two
    else
        SetRunValue(HKEY_CURRENT_USER, exePath);
}

LONG DeleteRunValue() {
    const LONG machineError = RemoveRunValue(HKEY_LOCAL_MACHINE);
    RemoveRunValue(HKEY_CURRENT_USER);
    return machineError;
}

int CHoroluxApp::PlayWaveResource(UINT id, bool loop) {
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
