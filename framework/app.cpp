#include "framework/app.h"

#include <objbase.h>

namespace fw {
namespace {
CWinApp* g_app = nullptr;
}

std::string ExecutableBaseName() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string name = path;
    if (auto slash = name.find_last_of("\\/"); slash != std::string::npos) name.erase(0, slash + 1);
    if (auto dot = name.find_last_of('.'); dot != std::string::npos) name.erase(dot);
    return name;
}

HWND OwnerWindow(const CWnd* except) {
    const CWinApp* app = CWinApp::Get();
    const CWnd* main = app ? app->m_pMainWnd : nullptr;
    if (!main || main == except || !IsWindow(main->GetSafeHwnd())) return nullptr;
    return GetLastActivePopup(main->GetSafeHwnd());
}

HWND EnabledPopupOf(HWND owner) {
    struct Search {
        HWND owner, found;
    };
    for (HWND waiting = nullptr; owner; owner = waiting) {
        Search search{owner, nullptr};
        EnumThreadWindows(
            GetWindowThreadProcessId(owner, nullptr),
            [](HWND w, LPARAM lp) {
                auto* s = reinterpret_cast<Search*>(lp);
                if (GetWindow(w, GW_OWNER) != s->owner || !IsWindowVisible(w)) return TRUE;
                s->found = w;
                return FALSE;
            },
            reinterpret_cast<LPARAM>(&search));
        waiting = search.found;
        if (waiting && IsWindowEnabled(waiting)) return waiting;
    }
    return nullptr;
}

CWinApp::CWinApp() : m_appName(ExecutableBaseName()) {
    g_app = this;
}

CWinApp::~CWinApp() {
    if (g_app == this) g_app = nullptr;
}

CWinApp* CWinApp::Get() {
    return g_app;
}

void CWinApp::SetRegistryKey(const std::string& company) {
    m_profile =
        std::make_unique<platform::RegistryProfile>("Software\\" + company + "\\" + m_appName);
}

horolux::SettingsStore& CWinApp::Profile() {
    if (!m_profile) SetRegistryKey(m_appName);
    return *m_profile;
}

int CWinApp::Run(HINSTANCE instance) {
    m_hInstance = instance;
    INITCOMMONCONTROLSEX icc{sizeof icc,
                             ICC_WIN95_CLASSES | ICC_DATE_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&icc);
    // Picture decoding (OleLoadPicture) needs OLE on this thread.
    const bool ole = SUCCEEDED(OleInitialize(nullptr));
    int exitCode = 0;
    if (InitInstance()) {
        MSG msg;
        while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        exitCode = static_cast<int>(msg.wParam);
    }
    if (ole) OleUninitialize();
    return exitCode;
}

}  // namespace fw
