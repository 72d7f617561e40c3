#pragma once
// CAlarmClockDlg: the floating clock. A borderless, resizable, always-on-top tool window that
// shows the minutes left to each alarm in segment digits, partly see-through; it is dragged with
// the left button, snaps back onto the screen, and keeps its colours, opacity and placement in the
// settings. The main window creates it, hands it its text and destroys it.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/clockwnd/clock_window.h"
#include "core/settings/settings_store.h"
#include "framework/accessible.h"
#include "framework/dialog.h"
#include "res/clock_resource.h"
#include "ui/clockwnd/segment_display.h"
#include "ui/clockwnd/transparency.h"

namespace ui {

// Raises the clock into the topmost band again, every 3.5 minutes while it is shown.
inline constexpr UINT_PTR kTimerKeepOnTop = 8934874;
inline constexpr UINT kKeepOnTopPeriod = 210000;

// The keyboard's menu (the context-menu key) adds these to the mouse's four.
inline constexpr UINT kKeyboardMove = 32781;
inline constexpr UINT kKeyboardOpacity = 32782;
inline constexpr char kKeyboardMoveText[] = "&Move";
inline constexpr char kKeyboardOpacityText[] = "&Opacity...";

class CAlarmClockDlg : public fw::CDialog, private fw::AccessibleSource {
public:
    enum { IDD = IDD_ALARM_CLOCK };
    // settings: where the clock's colours, placement and opacity are kept.
    explicit CAlarmClockDlg(horolux::SettingsStore& settings);
    ~CAlarmClockDlg() override;

    // The owner's "clock shown" flag, cleared when the user closes the clock.
    void SetShowFlag(int* flag) { m_showFlag = flag; }
    // Shows text (the alarms' minutes left, "12::5"); nothing while the window does not exist.
    void SetClockText(const std::string& text);
    // value < 0: the stored opacity; 0: unchanged; else the new opacity in percent.
    void SetTransparency(int value);

    // True while a handler of the clock runs a nested loop (its menu, colour dialog, about box,
    // opacity popup or the move loop): the object must outlive that handler even if the window
    // goes meanwhile.
    bool IsBusy() const { return m_busy > 0; }

    int Opacity() const { return m_opacity; }
    // The smallest outer size the user may drag it to: its template's size at its display scale.
    SIZE MinTrackSize() const { return m_minTrackSize; }
    // Stores the placement and the opacity, as closing the window does.
    void SaveState();
    const CSegmentDisplay& Display() const { return m_display; }

protected:
    BOOL OnInitDialog() override;
    void OnCancel() override;
    bool ProcessMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

    // The minimum size and the anchors' margins are pixels of the old scale.
    void OnDpiChanged(const DpiChange& change) override;

    // The user's part of the gestures; tests stand in for the user here.
    virtual void RunMoveLoop();
    virtual void RunKeyboardMoveLoop();
    virtual bool PickColour(COLORREF& colour);
    virtual void ShowAbout();

private:
    struct AnchoredControl {
        HWND hwnd;
        horolux::Anchor anchor;
        bool repaintAfterMoving;
    };
    class BusyScope;

    LRESULT OnMouseMove(WPARAM, LPARAM);
    LRESULT OnLButtonDblClk(WPARAM, LPARAM);
    LRESULT OnRButtonDown(WPARAM, LPARAM);
    LRESULT OnTimer(WPARAM, LPARAM);
    LRESULT OnTransparencyChanged(WPARAM, LPARAM);
    LRESULT OnSize(WPARAM, LPARAM);
    LRESULT OnGetMinMaxInfo(WPARAM, LPARAM);
    LRESULT OnNcHitTest(WPARAM, LPARAM);
    LRESULT OnPaint(WPARAM, LPARAM);
    LRESULT OnKeyDown(WPARAM, LPARAM);
    LRESULT OnContextMenu(WPARAM, LPARAM);
    LRESULT OnDestroy(WPARAM, LPARAM);
    LRESULT OnGetObject(WPARAM, LPARAM);

    // A frameless window has no caption to name it (alarm_clock_accessible.cpp).
    fw::AccessibleFacts Describe() const override;

    // Runs a move loop, then brings the clock back onto the screen as a drag does.
    void MoveAndSnap(const std::function<void()>& moveLoop);
    // The opacity slider; false when one is open already.
    bool ShowOpacityPopup();
    void ShowMenu(LPARAM clickPoint);
    void OnMenuCommand(UINT id);
    void ApplyStoredColours();

    // Anchored layout
    void AddAnchor(HWND control, horolux::AnchorPoint topLeft, horolux::AnchorPoint bottomRight);
    void ArrangeLayout();
    void ShowSizeGrip(bool show);
    void UpdateGripSquare();
    void EnableSaveRestore(const char* section, const char* name);
    void RestorePlacement();
    void SavePlacement();

    CSegmentDisplay m_display;
    CLayeredWindowHelper m_layered;
    int* m_showFlag = nullptr;
    std::unique_ptr<CTranspSliderDlg> m_sliderPopup;
    int m_opacity = 70;
    COLORREF m_backgroundColour = 0, m_litColour = 0, m_unlitColour = 0;  // 0: none stored

    std::vector<AnchoredControl> m_anchors;
    SIZE m_minTrackSize{};
    bool m_layoutReady = false;
    bool m_gripVisible = true;
    horolux::PixelRect m_grip;
    std::string m_placementSection, m_placementName;
    bool m_savePlacement = false;

    horolux::SettingsStore& m_settings;
    int m_busy = 0;
    fw::AccessibleServer m_accessible{*this};
};

// The owner's floating clock. Replacing or destroying a clock takes its window at once; the object
// of a clock that is busy in a nested loop is freed only after that loop has returned, at a later
// replacement or with the holder.
class CAlarmClockHolder {
public:
    CAlarmClockDlg* Get() const { return m_clock.get(); }
    CAlarmClockDlg* operator->() const { return m_clock.get(); }
    explicit operator bool() const { return m_clock != nullptr; }
    // Destroys the current clock (if any) and keeps next in its place.
    void Reset(std::unique_ptr<CAlarmClockDlg> next = nullptr);

private:
    std::unique_ptr<CAlarmClockDlg> m_clock;
    std::vector<std::unique_ptr<CAlarmClockDlg>> m_retired;
};

}  // namespace ui
