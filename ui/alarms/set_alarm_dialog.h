#pragma once
// CSetAlarmDlg: one alarm's interval, message, sound and warning, with its on/off button. The
// caller fills the values, runs the dialog and reads them back after OK; the store is the
// caller's business.
#include <string>

#include "framework/dialog.h"
#include "framework/gdi.h"
#include "res/alarm_resource.h"
#include "res/resource.h"
#include "ui/alarms/alarm_sound.h"
#include "ui/controls/num_edit.h"
#include "ui/controls/num_spin.h"

namespace ui {

class CSetAlarmDlg : public fw::CDialog {
public:
    enum { IDD = IDD_SET_ALARM };
    // sounds: plays the sound the user picks, as a preview.
    explicit CSetAlarmDlg(AlarmSoundPlayer& sounds, HWND parent = nullptr)
        : fw::CDialog(IDD, parent), m_sounds(sounds) {}

    std::string m_intervalText = "1";
    std::string m_messageText = "Alarm!";
    int m_onOff = 0;
    int m_sound = 0;
    int m_warn = 0;  // minutes, 0..60

protected:
    BOOL OnInitDialog() override;
    void OnOK() override;
    void DoDataExchange(fw::DataExchange& dx) override;
    bool ProcessMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

private:
    void UpdateIntervalLabel();
    void OnAlarmOnOff();
    void PreviewSound(int sound);
    void EnableEdits(bool on);

    AlarmSoundPlayer& m_sounds;
    CNumEdit m_intervalEdit;
    CNumSpinCtrl m_intervalSpin;
    CNumEdit m_warnEdit;
    CNumSpinCtrl m_warnSpin;
    fw::Font m_messageFont;
};

}  // namespace ui
