#pragma once
// CWinApp: the one application object. WinMain hands over to Run, which calls InitInstance;
// a program that runs its main window modally from there returns false and ends.
#include <memory>
#include <string>

#include "framework/wnd.h"
#include "platform/registry_profile.h"

namespace fw {

class CWinApp {
public:
    CWinApp();
    virtual ~CWinApp();
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;

    static CWinApp* Get();

    int Run(HINSTANCE instance);
    virtual bool InitInstance() = 0;

    // The executable's file name without extension; message box caption and profile name.
    const std::string& AppName() const { return m_appName; }
    // Keeps the profile under HKCU\Software\<company>\<AppName()>.
    void SetRegistryKey(const std::string& company);
    horolux::SettingsStore& Profile();

    HINSTANCE m_hInstance = nullptr;
    CWnd* m_pMainWnd = nullptr;

private:
    std::string m_appName;
    std::unique_ptr<platform::RegistryProfile> m_profile;
};

// The executable's base name, for code that runs without an application object (tests).
std::string ExecutableBaseName();

// The owner of a modal window or message box opened without one: the main window's last active
// popup, so it comes up over whatever the user is looking at; none without a main window, or when
// the main window is the one being opened (except).
HWND OwnerWindow(const CWnd* except = nullptr);

// The shown, enabled window that a disabled owner waits for (its modal window, or that one's
// own), or null when there is none.
HWND EnabledPopupOf(HWND owner);

}  // namespace fw
