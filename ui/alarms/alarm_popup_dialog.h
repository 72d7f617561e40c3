#pragma once
// CAlarmPopupDlg: the window of a firing alarm. Its message in large letters, the ringing bell,
// and three buttons that wake up after 2.5 s: OK keeps the alarm (1), "Delete alarm" removes it
// (2), Snooze keeps it and asks for it again a little later (IDC_POPUP_SNOOZE).
#include <string>

#include "framework/accessible.h"
#include "framework/dialog.h"
#include "framework/gdi.h"
#include "res/alarm_resource.h"
#include "ui/alarms/animated_picture.h"

namespace ui {

inline constexpr UINT_PTR kPopupTimerEnableButtons = 88;
inline constexpr UINT_PTR kPopupTimerKeepOnTop = 434344;

class CAlarmPopupDlg : public fw::CDialog, private fw::AccessibleSource {
public:
    enum { IDD = IDD_ALARM_POPUP };
    CAlarmPopupDlg() : fw::CDialog(IDD) {}

    std::string m_message;

protected:
    BOOL OnInitDialog() override;
    // Only "Delete alarm" itself comes here: Escape and WM_CLOSE are OK (a stray key must not
    // lose a repeating alarm). No button does anything in the first 2.5 s.
    void OnCancel() override { EndIfEnabled(IDCANCEL); }
    void OnOK() override {
        if (IsWindowEnabled(GetDlgItem(IDOK))) CDialog::OnOK();
    }
    bool PreTranslateMessage(MSG& msg) override;
    void DoDataExchange(fw::DataExchange& dx) override { dx.Text(IDC_POPUP_MESSAGE, m_message); }
    bool ProcessMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

private:
    LRESULT OnTimer(WPARAM id, LPARAM);
    LRESULT OnClose(WPARAM, LPARAM);
    LRESULT OnGetObject(WPARAM, LPARAM);
    void OnSnooze() { EndIfEnabled(IDC_POPUP_SNOOZE); }
    void EndIfEnabled(int button) {
        if (IsWindowEnabled(GetDlgItem(button))) EndDialog(button);
    }

    // An alert dialog to screen readers, its parts named and itself announced as it appears,
    // since it takes no focus (alarm_popup_accessible.cpp).
    fw::AccessibleFacts Describe() const override;
    void AnnounceToReaders();

    CAnimatedPicture m_picture;
    fw::Font m_messageFont;
    fw::AccessibleServer m_accessible{*this};
};

}  // namespace ui
