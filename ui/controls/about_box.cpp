#include "ui/controls/about_box.h"

#include <cstring>
#include <vector>

#include "framework/app.h"
#include "framework/dpi.h"

namespace ui {

namespace {

constexpr int kStarSpeed = 20;
constexpr int kScrollStep = 3;
constexpr char kAuthor[] = "The Horolux developers";

}  // namespace

BOOL CAboutBox::OnInitDialog() {
    fw::CDialog::OnInitDialog();
    m_credits.SubclassDlgItem(IDC_STAR_CREDITS, m_hWnd);
    m_credits.SetStarSpeed(kStarSpeed);
    m_credits.SetScrollStep(kScrollStep);
    const std::string lines[] = {
        "Horolux",
        "",
        "Sync the clock over internet",
        "",
        "",
        "Written by",
        "",
        kAuthor,
        "",
        "",
        "Horolux - Application",
        PrivateBuildText(),
        "",
        "",
        "Copyright (C) 2026",
        kAuthor,
        "",
        "horolux.example.org",
    };
    for (const std::string& line : lines) m_credits.AddLine(line);
    FitIcon();
    return TRUE;
}

void CAboutBox::OnDpiChanged(const DpiChange&) {
    FitIcon();
}

void CAboutBox::FitIcon() {
    HWND icon = nullptr;
    for (HWND c = ::GetWindow(m_hWnd, GW_CHILD); c && !icon; c = ::GetWindow(c, GW_HWNDNEXT))
        if ((GetWindowLongA(c, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) icon = c;
    if (!icon) return;
    const int side = fw::SystemMetricForDpi(SM_CXICON, fw::DpiOf(m_hWnd));
    const int size = horolux::FitWithin({side, side}, fw::RoomInParent(icon)).width;
    if (!m_icon && size == GetSystemMetrics(SM_CXICON)) return;  // the template's own is right
    fw::Icon fitted = fw::LoadIconAtSize(IDR_MAINFRAME, size);
    if (!fitted) return;
    ::SendMessageA(icon, STM_SETICON, reinterpret_cast<WPARAM>(fitted.Get()), 0);
    m_icon = std::move(fitted);  // the one it replaced is no longer shown
}

std::string VersionString(const std::string& fileName, const std::string& name) {
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeA(fileName.c_str(), &ignored);
    if (size == 0) return {};
    std::vector<char> block(size);
    if (!GetFileVersionInfoA(fileName.c_str(), 0, size, block.data())) return {};

    void* value = nullptr;
    UINT length = 0;
    if (!VerQueryValueA(block.data(), "\\VarFileInfo\\Translation", &value, &length) || !value)
        return {};
    const auto translation =
        horolux::FirstTranslation(static_cast<const std::uint8_t*>(value), length);
    if (!translation) return {};

    const std::string path = horolux::StringFileInfoPath(*translation, name);
    value = nullptr;
    length = 0;
    if (!VerQueryValueA(block.data(), path.c_str(), &value, &length) || !value) return {};
    const char* text = static_cast<const char*>(value);
    return std::string(text, strnlen(text, length));
}

std::string PrivateBuildText() {
    // No directory: the module search order finds the running program first.
    return VersionString(fw::ExecutableBaseName() + ".exe", "PrivateBuild");
}

}  // namespace ui
