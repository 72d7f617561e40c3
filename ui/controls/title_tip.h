#pragma once
// CTitleTipWnd: a borderless topmost popup that lays the whole text of a cut-off list cell
// exactly over the cell. While shown it holds the mouse capture; moving off the cell, a key or a
// click hides it and hands the input on to the window below, so the user never deals with the
// tip itself.
#include <string>

#include "core/controls/title_tip_layout.h"
#include "framework/wnd.h"

namespace ui {

class CTitleTipWnd : public fw::CWnd {
public:
    static constexpr char kClassName[] = "TitleTipWnd";

    // Registers the window class on first use; throws std::runtime_error when that fails.
    CTitleTipWnd();
    ~CTitleTipWnd() override;

    // Creates the hidden tip for a parent window (the list it belongs to).
    bool Create(HWND parent);

    // With a brush set, the tip paints an opaque background in the background colour.
    void SetBackgroundBrush(HBRUSH brush) { m_backgroundBrush = brush; }
    void SetBackgroundColour(COLORREF colour) { m_backgroundColour = colour; }
    void SetTextColour(COLORREF colour) { m_textColour = colour; }

    // cell in the parent's client coordinates; offset is where the cell's own text starts.
    // Shows the tip only when the text does not fit the cell, and only while the keyboard focus
    // is in this program.
    void Show(const RECT& cell, const std::string& text, int offset);
    // Hides the tip and gives up the capture it holds.
    void Hide();

    bool IsShown() const { return m_hWnd && IsWindowVisible(m_hWnd); }
    const std::string& Text() const { return m_text; }
    COLORREF BackgroundColour() const { return m_backgroundColour; }
    COLORREF TextColour() const { return m_textColour; }

protected:
    bool ProcessMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

private:
    LRESULT OnMouseMove(WPARAM wp, LPARAM lp);
    LRESULT OnKey(UINT msg, WPARAM wp, LPARAM lp);
    LRESULT OnButton(UINT msg, WPARAM wp, LPARAM lp);
    LRESULT OnPaint(WPARAM wp, LPARAM lp);
    LRESULT OnPrintClient(WPARAM wp, LPARAM lp);
    LRESULT OnMouseActivate(WPARAM wp, LPARAM lp);

    void Paint(HDC dc);
    HFONT ParentFont() const;
    // The window under a screen point that input is handed to: never the tip itself.
    HWND TargetAt(POINT screen) const;

    HWND m_parent = nullptr;
    horolux::PixelRect m_holdArea;  // the cell in the tip's client coordinates
    HBRUSH m_backgroundBrush = nullptr;
    COLORREF m_backgroundColour = GetSysColor(COLOR_HIGHLIGHT);
    COLORREF m_textColour = GetSysColor(COLOR_HIGHLIGHTTEXT);
    int m_margin = horolux::kTitleTipMargin;  // at the display scale of the tip last shown
    std::string m_text;                       // kept for repaints while shown
};

}  // namespace ui
