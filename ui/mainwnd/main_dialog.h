#pragma once
// CHoroluxDlg: the main window. It owns the program's state for the program's whole life.
#include <string>

#include "core/settings/main_settings.h"
#include "framework/dialog.h"
#include "res/resource.h"

class CHoroluxDlg : public fw::CDialog {
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

    horolux::MainSettings m_settings;
    int m_autostart = 1;  // shown ticked at every start; never stored
    std::string m_statusText, m_oldTimeText, m_newTimeText, m_nextSyncText;
    HICON m_hIcon = nullptr;
};
