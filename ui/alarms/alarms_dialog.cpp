#include "ui/alarms/alarms_dialog.h"

#include <algorithm>
#include <cstdlib>
#include <string>

#include "framework/accessible.h"
#include "framework/message_box.h"
#include "framework/message_map.h"
#include "framework/wait_cursor.h"
#include "ui/alarms/set_alarm_dialog.h"

namespace ui {

namespace {

constexpr char kNoInterval[] = "You must give a alarm time interval!";
constexpr char kNoSelection[] = "You must select a alarm in the list!";
constexpr int kWarnColumn = 3;
// Names for screen readers: the list has no label, and the arrows' label is their edit's.
constexpr fw::ControlName kReaderNames[] = {
    {IDC_ALARM_LIST, "Alarms"},
    {IDC_SNOOZE_MINUTES_SPIN, "Snooze for"},
};

}  // namespace

bool CAlarmsDlg::ProcessMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    using Self = CAlarmsDlg;
    static const fw::MessageMap<Self> map = {
        fw::OnCommand(IDC_ADD_ALARM, &Self::OnAddAlarm),
        fw::OnCommand(IDC_EDIT_ALARM, &Self::OnEditAlarm),
        fw::OnCommand(IDC_DELETE_ALARM, &Self::OnDeleteAlarm),
        fw::OnNotify(IDC_ALARM_LIST, NM_DBLCLK, &Self::OnListDoubleClick),
    };
    return map.Dispatch(*this, msg, wp, lp, result) || CDialog::ProcessMessage(msg, wp, lp, result);
}

BOOL CAlarmsDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    fw::SetAccessibleNames(m_hWnd, kReaderNames);
    m_list.SubclassDlgItem(IDC_ALARM_LIST, m_hWnd);
    const fw::ListView list = List();
    SetWindowLongA(list, GWL_STYLE, GetWindowLongA(list, GWL_STYLE) | WS_CLIPCHILDREN);
    m_list.SetFullRowSel(true);
    list.InsertColumns({{"Interval", 50}, {"Count", 50}, {"Message", 200}});
    FillAlarmList();
    SendDlgItemMessageA(m_hWnd, IDC_SNOOZE_MINUTES_SPIN, UDM_SETRANGE32, 1,
                        horolux::kMaxSnoozeMinutes);
    SetDlgItemInt(m_hWnd, IDC_SNOOZE_MINUTES,
                  static_cast<UINT>(horolux::SnoozeMinutesValue(m_snoozeMinutes)), FALSE);
    return TRUE;
}

void CAlarmsDlg::TakeSnoozeMinutes() {
    // A typed length is held to 1..60; an emptied field keeps the length there was.
    BOOL read = FALSE;
    const UINT typed = GetDlgItemInt(m_hWnd, IDC_SNOOZE_MINUTES, &read, FALSE);
    if (read)
        m_snoozeMinutes = static_cast<int>(std::clamp<UINT>(typed, 1, horolux::kMaxSnoozeMinutes));
}

void CAlarmsDlg::FillAlarmList() {
    fw::CWaitCursor wait;
    const fw::ListView list = List();
    list.DeleteAllItems();
    ShowWarnColumn();
    int row = 0;
    for (std::size_t slot = 0; slot < m_alarms.GetSize(); ++slot) {
        const horolux::AlarmData* alarm = m_alarms.GetAt(slot);
        if (!alarm) continue;
        // Each row remembers its slot, so a row whose alarm a popup deleted meanwhile is known.
        LVITEMA item{};
        item.mask = LVIF_TEXT | LVIF_PARAM;
        item.iItem = row;
        item.pszText = const_cast<char*>("");
        item.lParam = static_cast<LPARAM>(slot);
        list.InsertItem(item);
        list.SetItemText(row, 0, std::to_string(alarm->interval).c_str());
        list.SetItemText(row, 1, std::to_string(alarm->count).c_str());
        list.SetItemText(row, 2, alarm->message.c_str());
        if (alarm->warn > 0)
            list.SetItemText(row, kWarnColumn, (std::to_string(alarm->warn) + " min").c_str());
        ++row;
    }
}

void CAlarmsDlg::ShowWarnColumn() {
    // Only while an alarm warns: the three columns fill the list, and a fourth needs scrolling.
    bool anyWarns = false;
    for (std::size_t slot = 0; slot < m_alarms.GetSize(); ++slot)
        if (const horolux::AlarmData* alarm = m_alarms.GetAt(slot)) anyWarns |= alarm->warn > 0;
    const fw::ListView list = List();
    const bool shown = list.GetHeader().GetItemCount() > kWarnColumn;
    if (anyWarns && !shown) list.InsertColumns({{"Warn", 45}}, kWarnColumn);
    if (!anyWarns && shown) list.DeleteColumn(kWarnColumn);
}

horolux::AlarmData* CAlarmsDlg::SelectedAlarm(std::size_t& slot) {
    const int row = List().GetSelectionMark();
    horolux::AlarmData* alarm = nullptr;
    if (row >= 0) {
        LVITEMA item{};
        item.mask = LVIF_PARAM;
        item.iItem = row;
        if (List().GetItem(item)) {
            slot = static_cast<std::size_t>(item.lParam);
            alarm = m_alarms.GetAt(slot);
        }
    }
    if (!alarm) {
        if (row >= 0) FillAlarmList();  // the row's alarm was deleted meanwhile: show what is left
        fw::AppMessageBox(kNoSelection);
    }
    return alarm;
}

void CAlarmsDlg::OnAddAlarm() {
    CSetAlarmDlg dialog(m_sounds, m_hWnd);
    if (dialog.DoModal() != IDOK) return;
    if (dialog.m_intervalText.empty()) {
        fw::AppMessageBox(kNoInterval);
        return;
    }
    auto alarm = std::make_unique<horolux::AlarmData>();
    alarm->interval = std::atoi(dialog.m_intervalText.c_str());
    alarm->message = dialog.m_messageText;
    alarm->sound = dialog.m_sound;
    alarm->warn = dialog.m_warn;
    m_alarms.Add(std::move(alarm));
    AlarmsChanged();
}

void CAlarmsDlg::OnEditAlarm() {
    std::size_t slot = 0;
    horolux::AlarmData* alarm = SelectedAlarm(slot);
    if (!alarm) return;
    CSetAlarmDlg dialog(m_sounds, m_hWnd);
    dialog.m_intervalText = std::to_string(alarm->interval);
    dialog.m_messageText = alarm->message;
    dialog.m_sound = alarm->sound;
    dialog.m_warn = alarm->warn;
    if (dialog.DoModal() != IDOK) return;
    // A popup may have deleted the alarm while the dialog was open.
    alarm = m_alarms.GetAt(slot);
    if (!alarm) {
        FillAlarmList();
        return;
    }
    if (dialog.m_intervalText.empty()) {
        fw::AppMessageBox(kNoInterval);
        return;
    }
    alarm->interval = std::atoi(dialog.m_intervalText.c_str());
    alarm->count = 0;
    alarm->snoozeDue = 0;  // edited: it counts afresh
    alarm->message = dialog.m_messageText;
    alarm->sound = dialog.m_sound;
    alarm->warn = dialog.m_warn;
    AlarmsChanged();
}

void CAlarmsDlg::OnDeleteAlarm() {
    std::size_t slot = 0;
    if (!SelectedAlarm(slot)) return;
    if (fw::AppMessageBox("Do you realy want to delete the selected alarm?",
                          MB_YESNO | MB_ICONQUESTION) != IDYES)
        return;
    fw::CWaitCursor wait;
    m_alarms.EmptySlot(slot);
    AlarmsChanged();
}

void CAlarmsDlg::AlarmsChanged() {
    FillAlarmList();
    if (m_onChange) m_onChange();
}

LRESULT CAlarmsDlg::OnListDoubleClick(NMHDR*) {
    OnEditAlarm();
    return 0;
}

}  // namespace ui
