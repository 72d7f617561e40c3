#pragma once
// CSystemTray: the program's icon in the notification area. A hidden window of its own owns the
// icon, so the icon's mouse messages and the animation timer arrive here; the chosen tray
// command goes to the application's main window.
#include <string>

#include "core/tray/tray_animation.h"
#include "framework/wnd.h"

namespace ui {

class CSystemTray : public fw::CWnd {
public:
    static constexpr char kRuntimeClassName[] = "CSystemTray";
    static constexpr UINT_PTR kAnimationTimer = 4567;

    CSystemTray() = default;
    ~CSystemTray() override;

    // Adds the icon. With no parent (or one without a window) the icon belongs to our own hidden
    // window, which then handles callbackMessage.
    bool Create(fw::CWnd* parent, UINT callbackMessage, const char* tip, HICON icon, UINT id);
    void DeleteIcon();

    bool SetTrayIcon(HICON icon);
    bool SetTrayIcon(UINT resourceId);
    HICON GetTrayIcon() const;
    // Texts longer than 127 characters are cut to fit the shell's field.
    bool SetTipText(const char* text);
    std::string GetTipText() const { return m_notifyData.szTip; }

    // A silent balloon from the icon, with the icon's own picture; texts are cut to fit.
    bool ShowBalloon(const char* title, const char* text);

    bool SetFrameIcons(UINT firstId, UINT lastId);
    bool StartAnimation(UINT delayMs, int periodSeconds = -1);
    bool NextFrame();
    bool StopAnimation();
    bool IsAnimating() const { return m_timer != 0; }

    bool SetDefaultMenuItem(UINT item, bool byPosition);
    bool IsEnabled() const { return m_enabled != FALSE; }

    // The callback message: 1 when it concerned this icon, 0 otherwise.
    virtual LRESULT OnTrayMessage(WPARAM wp, LPARAM lp);
    // True while a command given with the keyboard (the icon selected, or its menu opened and
    // chosen) is handled.
    bool CommandByKeyboard() const { return m_commandByKeyboard; }
    // A new notification area (Explorer restarted) has none of the old icons: adds ours again,
    // with the picture and tip it has now, a frame of a running animation included.
    void OnTaskbarCreated();

    // An icon of the program's resources at the size the notification area shows at the
    // system's display scale, or at size × size; kept for the process, so the same ID and size
    // always give the same handle and nothing needs freeing.
    static HICON LoadTrayIcon(UINT resourceId);
    static HICON LoadTrayIcon(UINT resourceId, int size);
    // The side of the icons it shows: the small-icon size at its display scale.
    int IconSize() const;

protected:
    bool ProcessMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

private:
    LRESULT OnTimer(WPARAM, LPARAM);
    LRESULT OnTaskbarCreatedMessage(WPARAM, LPARAM);
    // A new display scale: the same pictures again at the new small-icon size.
    LRESULT OnDpiChanged(WPARAM, LPARAM);
    UINT CallbackMessage() const { return m_notifyData.uCallbackMessage; }
    UINT TaskbarCreated() const;
    HWND CommandTarget() const;
    bool Notify(DWORD action, UINT flags);
    void AskForKeyboardEvents();
    // False when the menu cannot be loaded.
    bool ShowMenu(HWND target, bool byKeyboard);
    bool RunDefaultCommand(HWND target, bool byKeyboard);
    static POINT CursorPoint();
    POINT MenuPointForKeyboard() const;
    class MenuScope {
    public:
        explicit MenuScope(bool& flag) : flag_(flag) { flag_ = true; }
        ~MenuScope() { flag_ = false; }
        MenuScope(const MenuScope&) = delete;
        MenuScope& operator=(const MenuScope&) = delete;

    private:
        bool& flag_;
    };

    BOOL m_enabled = FALSE;
    bool m_inMenu = false;                           // its menu is open
    bool m_commandByKeyboard = false;                // see CommandByKeyboard
    DWORD m_lastMouseMenu = 0, m_lastKeySelect = 0;  // tick counts
    bool m_wanted = false;  // created and not deleted: belongs in every new notification area
    NOTIFYICONDATAA m_notifyData{};
    horolux::TrayFrames<HICON> m_frames;  // with the index of the frame shown
    UINT m_firstFrame = 0, m_lastFrame = 0;
    int m_iconSize = 0;  // 0 before Create: the system's small-icon size
    UINT_PTR m_timer = 0;
    double m_startTime = 0;  // days, as a date-time value
    int m_period = 0;        // seconds; 0 or less: no limit
    HICON m_savedIcon = nullptr;
    UINT m_defaultItem = 0;
    BOOL m_defaultByPosition = TRUE;
};

}  // namespace ui
