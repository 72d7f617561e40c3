#pragma once
// CAlarmsDlg: the list of alarms, where they are added, edited and deleted, and the snooze length
// of them all. It works on the main window's store directly and tells its owner after each
// change, which saves it at once; the snooze length is read back when the window closes.
#include <functional>
#include <utility>

#include "core/alarms/alarm_store.h"
#include "framework/controls.h"
#include "framework/dialog.h"
#include "res/alarm_resource.h"
#include "ui/alarms/alarm_sound.h"
#include "ui/controls/list_ctrl_ex.h"

namespace ui {

class CAlarmsDlg : public fw::CDialog {
public:
    enum { IDD = IDD_ALARMS };
    explicit CAlarmsDlg(horolux::AlarmDataArray& alarms, AlarmSoundPlayer& sounds,
                        HWND parent = nullptr, std::function<void()> onChange = {})
        : fw::CDialog(IDD, parent),
          m_alarms(alarms),
          m_sounds(sounds),
          m_onChange(std::move(onChange)) {}

    int m_snoozeMinutes = horolux::kDefaultSnoozeMinutes;

protected:
    BOOL OnInitDialog() override;
    // Both end the window (Close, Escape, Enter), taking the snooze length typed.
    void OnOK() override {
        TakeSnoozeMinutes();
        CDialog::OnOK();
    }
    void OnCancel() override {
        TakeSnoozeMinutes();
        CDialog::OnCancel();
    }
    bool ProcessMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

private:
    void FillAlarmList();
    void ShowWarnColumn();
    void TakeSnoozeMinutes();
    void OnAddAlarm();
    void OnEditAlarm();
    void OnDeleteAlarm();
    LRESULT OnListDoubleClick(NMHDR*);
    // The alarm of the selected row, or null after telling the user to select one.
    horolux::AlarmData* SelectedAlarm(std::size_t& slot);
    fw::ListView List() const { return fw::ListView(GetDlgItem(IDC_ALARM_LIST)); }
    // Shows the store as it now is and tells the owner.
    void AlarmsChanged();

    CListCtrlEx m_list;
    horolux::AlarmDataArray& m_alarms;
    AlarmSoundPlayer& m_sounds;  // for Set Alarm's previews
    std::function<void()> m_onChange;
};

}  // namespace ui
