#pragma once
// CShadedButton: an owner-drawn push button with a soft relief face and a fine grain. Flat until
// the mouse is over it; then lighter with a raised edge; pressed, sunken and shifted.
#include <optional>
#include <string>

#include "framework/accessible.h"
#include "framework/wnd.h"
#include "ui/controls/palette_dib.h"

namespace ui {

class CShadedButton : public fw::CWnd, private fw::AccessibleSource {
public:
    enum ReliefType { kSoftBump = 6 };  // the only relief the program uses

    CShadedButton() = default;
    ~CShadedButton() override;

    // Takes over a dialog's push button and makes it owner-drawn.
    bool SubclassDlgItem(UINT id, HWND parent);

    // Builds the faces from the button's size and the system's button colours of this moment.
    // A button that changes size later (a new display scale) gets faces of its new size.
    void SetShade(int reliefType, int granularity, int highlightPercent, int colouringPercent,
                  COLORREF colour);
    void SetTooltipText(const char* text, bool activate = true);

    bool IsHovering() const { return m_hover; }
    HWND TooltipWindow() const { return m_tooltip; }
    const CPaletteDib& Face(bool hover) const { return hover ? m_hoverFace : m_normalFace; }

protected:
    bool ProcessMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;
    // Owner-drawn: the parent's WM_DRAWITEM comes back here.
    bool OnChildNotify(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

private:
    LRESULT OnDrawItem(WPARAM wp, LPARAM lp);
    LRESULT OnMouseMove(WPARAM wp, LPARAM lp);
    LRESULT OnLButtonDown(WPARAM wp, LPARAM lp);
    LRESULT OnLButtonDblClk(WPARAM wp, LPARAM lp);
    LRESULT OnLButtonUp(WPARAM wp, LPARAM lp);
    LRESULT OnCaptureChanged(WPARAM wp, LPARAM lp);
    LRESULT OnMouseLeave(WPARAM wp, LPARAM lp);
    LRESULT OnKillFocusOrCancel(WPARAM wp, LPARAM lp);
    LRESULT OnEnable(WPARAM wp, LPARAM lp);
    LRESULT OnSetStyle(WPARAM wp, LPARAM lp);
    LRESULT OnGetDlgCode(WPARAM wp, LPARAM lp);
    LRESULT OnSysColorChange(WPARAM wp, LPARAM lp);
    LRESULT OnDestroy(WPARAM wp, LPARAM lp);
    LRESULT OnSize(WPARAM wp, LPARAM lp);
    LRESULT OnGetObject(WPARAM wp, LPARAM lp);

    // A push button to screen readers (shaded_button_accessible.cpp).
    fw::AccessibleFacts Describe() const override;
    bool DoDefaultAction() override;

    void BuildFaces();

    // High contrast: a plain push button in the system's colours, its focus always shown.
    void DrawPlain(HDC dc, const DRAWITEMSTRUCT& dis, bool pressed, bool disabled);
    void DrawFocus(HDC dc, const RECT& rc);
    void DrawCaption(HDC dc, const RECT& rc, bool pressed, bool disabled, bool hideMnemonic);
    void ClearHover();
    void Repaint() { InvalidateRect(m_hWnd, nullptr, FALSE); }
    void RelayToTooltip(UINT msg, WPARAM wp, LPARAM lp);
    bool MakeTooltip();

    struct Shade {
        int granularity, highlightPercent, colouringPercent;
        COLORREF colour;
    };
    std::optional<Shade> m_shade;  // as last set, for faces of a new size
    CPaletteDib m_normalFace;
    CPaletteDib m_hoverFace;
    bool m_flat = true;
    bool m_hover = false;
    bool m_isDefault = false;  // the template made it the default push button
    bool m_holding = false;    // pressed with the mouse and not yet released
    HWND m_tooltip = nullptr;
    COLORREF m_captionColour = GetSysColor(COLOR_BTNTEXT);
    COLORREF m_hoverCaptionColour = GetSysColor(COLOR_BTNTEXT);
    fw::AccessibleServer m_accessible{*this};
};

}  // namespace ui
