#pragma once
// CAboutBox: the modal about box (dialog 100): a star-field credits screen above the program's
// icon and a Close button.
#include <string>

#include "framework/dialog.h"
#include "framework/gdi.h"
#include "res/resource.h"
#include "ui/controls/star_credits.h"

namespace ui {

class CAboutBox : public fw::CDialog {
public:
    enum { IDD = IDD_ABOUTBOX };

    explicit CAboutBox(HWND parent = nullptr) : fw::CDialog(IDD, parent) {}

    const CStarCredits& Credits() const { return m_credits; }

protected:
    BOOL OnInitDialog() override;
    void OnDpiChanged(const DpiChange& change) override;

private:
    // The program's icon as large as the system's icons at this scale, as far as the dialog has
    // room for it.
    void FitIcon();

    CStarCredits m_credits;
    fw::Icon m_icon;  // when it is not the one the template gave
};

// The text of a string of a file's version information, in its first translation; empty when
// the file has no version information or no such string.
std::string VersionString(const std::string& fileName, const std::string& name);
// This executable's private-build text, as found by its base name and ".exe".
std::string PrivateBuildText();

}  // namespace ui
