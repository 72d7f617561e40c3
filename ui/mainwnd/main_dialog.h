#pragma once
// CHoroluxDlg: the main window. It owns the program's state for the program's whole life.
#include <string>

#include "core/settings/main_settings.h"
#include "res/resource.h"
#include "ui/controls/picture_dialog.h"
#include "ui/controls/shaded_button.h"
#include "ui/tray/system_tray.h"

// The tray icon's callback message to its own window.
inline constexpr UINT kTrayCallbackMessage = WM_USER;

class CHoroluxDlg : public CPictureDialog {
public:
    enum { IDD = IDD_HOROLUX_DIALOG };
    CHoroluxDlg();

    void LoadSettings();
    void SaveSettings();

protected:
    BOOL OnInitDialog() override;
    void OnCancel() override;
    void DoDataExchange(fw::DataExchange& dx) override;
    bool ProcessMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

private:
    void OnExit();
    void OnTrayShow();
    void OnAbout();
    LRESULT OnShowMain(WPARAM, LPARAM);
    LRESULT OnSysCommand(WPARAM, LPARAM);
    LRESULT OnSize(WPARAM, LPARAM);
    LRESULT OnDestroy(WPARAM, LPARAM);
    LRESULT OnLButtonDblClk(WPARAM, LPARAM);
    void SetUpButtons();

    horolux::MainSettings m_settings;
    int m_autostart = 1;  // shown ticked at every start; never stored
    std::string m_statusText, m_oldTimeText, m_newTimeText, m_nextSyncText;
    HICON m_hIcon = nullptr;
    int m_backgroundToggle = 0;  // 0: bitmap 163 stretched, 1: bitmap 166 tiled
    CShadedButton m_syncButton, m_closeButton, m_exitButton;
    CSystemTray m_trayIcon;
};
