#include "ui/alarms/set_alarm_dialog.h"

#include <algorithm>
#include <cstdlib>

#include "core/alarms/alarm_sound.h"
#include "core/alarms/alarm_store.h"
#include "framework/accessible.h"
#include "framework/controls.h"
#include "framework/message_box.h"
#include "framework/message_map.h"
#include "ui/alarms/message_font.h"

namespace ui {

namespace {
constexpr char kUnstorableMessage[] = "An alarm message must not contain \"@@\" or end with \"@\"!";
constexpr int kFirstSoundButton = IDC_SOUND_NONE;
constexpr int kLastSoundButton = IDC_SOUND_NONE + horolux::kSoundCount - 1;
// Names for screen readers: the arrows' label is their edit's.
constexpr fw::ControlName kReaderNames[] = {
    {IDC_ALARM_INTERVAL_SPIN, "Alarm interval"},
    {IDC_ALARM_WARN_SPIN, "Warn before"},
};
}  // namespace

bool CSetAlarmDlg::ProcessMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    using Self = CSetAlarmDlg;
    static const fw::MessageMap<Self> map = {
        fw::OnCommand(IDC_ALARM_ON_OFF, &Self::OnAlarmOnOff),
        fw::OnControl(IDC_ALARM_INTERVAL, EN_CHANGE, &Self::UpdateIntervalLabel),
    };
    if (msg == WM_COMMAND && HIWORD(wp) == BN_CLICKED && LOWORD(wp) >= kFirstSoundButton &&
        LOWORD(wp) <= kLastSoundButton) {
        PreviewSound(LOWORD(wp) - kFirstSoundButton);
        result = 0;
        return true;
    }
    return map.Dispatch(*this, msg, wp, lp, result) || CDialog::ProcessMessage(msg, wp, lp, result);
}

void CSetAlarmDlg::DoDataExchange(fw::DataExchange& dx) {
    dx.Text(IDC_ALARM_INTERVAL, m_intervalText);
    dx.Text(IDC_ALARM_MESSAGE, m_messageText);
    if (!dx.Taking() && (m_onOff < 0 || m_onOff > 2)) m_onOff = 0;
    dx.Check(IDC_ALARM_ON_OFF, m_onOff);
    dx.Radio(IDC_SOUND_NONE, m_sound);
}

BOOL CSetAlarmDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    fw::SetAccessibleNames(m_hWnd, kReaderNames);
    UpdateData(true);
    m_intervalEdit.SubclassDlgItem(IDC_ALARM_INTERVAL, m_hWnd);
    m_intervalSpin.SubclassDlgItem(IDC_ALARM_INTERVAL_SPIN, m_hWnd);

    m_onOff = std::atoi(m_intervalText.c_str()) >= 1 ? 1 : 0;
    CheckDlgButton(m_hWnd, IDC_ALARM_ON_OFF, m_onOff ? BST_CHECKED : BST_UNCHECKED);
    EnableEdits(m_onOff != 0);

    m_messageFont = SetMessageFont(m_hWnd, IDC_ALARM_MESSAGE);

    // Setting the buddy and the position rewrites the edit; the push below puts the caller's
    // interval back.
    m_intervalSpin.SetBuddy(m_intervalEdit);
    m_intervalSpin.SetRange(1.0f, 999999.0f);
    m_intervalSpin.SetDelta(1.0f);
    const float position = static_cast<float>(std::atoi(m_intervalText.c_str()));
    m_intervalSpin.SetPos(position);
    m_intervalSpin.SetPos(position);
    UpdateData(false);

    m_warnEdit.SubclassDlgItem(IDC_ALARM_WARN, m_hWnd);
    m_warnSpin.SubclassDlgItem(IDC_ALARM_WARN_SPIN, m_hWnd);
    m_warnSpin.SetBuddy(m_warnEdit);
    m_warnSpin.SetRange(0.0f, static_cast<float>(horolux::kMaxWarnMinutes));
    m_warnSpin.SetDelta(1.0f);
    m_warn = std::clamp(m_warn, 0, horolux::kMaxWarnMinutes);
    m_warnSpin.SetPos(static_cast<float>(m_warn));
    return TRUE;
}

void CSetAlarmDlg::EnableEdits(bool on) {
    for (int id : {IDC_ALARM_INTERVAL, IDC_ALARM_MESSAGE, IDC_ALARM_WARN})
        EnableWindow(GetDlgItem(id), on);
}

void CSetAlarmDlg::UpdateIntervalLabel() {
    if (!IsWindowVisible(m_hWnd)) return;
    UpdateData(true);
    SetDlgItemTextA(m_hWnd, IDC_ALARM_INTERVAL_LABEL,
                    horolux::IntervalLabel(std::atoi(m_intervalText.c_str())).c_str());
}

void CSetAlarmDlg::OnAlarmOnOff() {
    UpdateData(true);
    m_intervalText = m_onOff ? "1" : "0";
    UpdateData(false);
    EnableEdits(m_onOff != 0);
    if (m_onOff) UpdateIntervalLabel();
}

void CSetAlarmDlg::PreviewSound(int sound) {
    m_sounds.PlayAlarmSound(sound);
}

void CSetAlarmDlg::OnOK() {
    UpdateData(true);
    if (!horolux::AllDigits(m_intervalText)) {
        fw::AppMessageBox("Alarm Interval must be a number!");
        m_intervalText = "0";
        UpdateData(false);
        return;
    }
    if (!horolux::IsStorableAlarmMessage(m_messageText)) {
        fw::AppMessageBox(kUnstorableMessage, MB_OK | MB_ICONEXCLAMATION);
        // Through the dialog manager, so the default button stays right.
        fw::NextDlgCtl(m_hWnd, GetDlgItem(IDC_ALARM_MESSAGE));
        return;
    }
    // The numeric edit holds a number of 0..60 or nothing readable, which means none.
    m_warn = static_cast<int>(m_warnEdit.GetValue());
    EndDialog(IDOK);
}

}  // namespace ui
