#include "ui/alarms/alarms_dialog.h"

#include <gtest/gtest.h>

#include <thread>

#include "message_box_watcher.h"
#include "ui/alarms/set_alarm_dialog.h"

using namespace ui;  // the layer under test

namespace {

std::string Cell(HWND list, int row, int column) {
    char buf[128] = {};
    LVITEMA item{};
    item.iSubItem = column;
    item.pszText = buf;
    item.cchTextMax = sizeof buf;
    SendMessageA(list, LVM_GETITEMTEXTA, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
    return buf;
}

class AlarmsDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        horolux::LoadAlarms(alarms, {"10@@20@@30", "a@@b@@c", ""});
        alarms.GetAt(1)->count = 7;
        alarms.EmptySlot(0);  // deleted by its popup earlier
        ASSERT_TRUE(dialog.Create());
        list = GetDlgItem(dialog.GetSafeHwnd(), IDC_ALARM_LIST);
    }
    void TearDown() override {
        if (dialog.GetSafeHwnd()) dialog.DestroyWindow();
    }
    int Rows() const { return static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0)); }
    void Select(int row) {
        LVITEMA state{};
        state.stateMask = state.state = LVIS_SELECTED | LVIS_FOCUSED;
        SendMessageA(list, LVM_SETITEMSTATE, static_cast<WPARAM>(row),
                     reinterpret_cast<LPARAM>(&state));
        SendMessageA(list, LVM_SETSELECTIONMARK, 0, row);
    }
    void Click(int id) {
        SendMessageA(dialog.GetSafeHwnd(), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0);
    }

    horolux::AlarmDataArray alarms;
    int changes = 0;  // the owner saves the store at each
    AlarmSoundPlayer sounds;
    CAlarmsDlg dialog{alarms, sounds, nullptr, [this] { ++changes; }};
    HWND list = nullptr;
};

TEST_F(AlarmsDialogTest, ListsTheLiveAlarmsInSlotOrder) {
    ASSERT_EQ(Rows(), 2);
    EXPECT_EQ(Cell(list, 0, 0), "20");
    EXPECT_EQ(Cell(list, 0, 1), "7");
    EXPECT_EQ(Cell(list, 0, 2), "b");
    EXPECT_EQ(Cell(list, 1, 0), "30");
    EXPECT_EQ(Cell(list, 1, 2), "c");
    EXPECT_EQ(SendMessageA(list, LVM_GETCOLUMNWIDTH, 2, 0), 200);
    EXPECT_TRUE(GetWindowLongA(list, GWL_STYLE) & WS_CLIPCHILDREN);
}

TEST_F(AlarmsDialogTest, EditAndDeleteNeedASelection) {
    for (int button : {IDC_EDIT_ALARM, IDC_DELETE_ALARM}) {
        test::MessageBoxWatcher box(IDOK);
        Click(button);
        box.Finish();
        EXPECT_EQ(box.text, "You must select a alarm in the list!");
    }
    EXPECT_EQ(alarms.LiveCount(), 2u);
    EXPECT_EQ(changes, 0);
}

TEST_F(AlarmsDialogTest, DeleteAsksAndRemovesTheRowsAlarm) {
    Select(1);
    {
        test::MessageBoxWatcher box(IDNO);
        Click(IDC_DELETE_ALARM);
        box.Finish();
        EXPECT_EQ(box.text, "Do you realy want to delete the selected alarm?");
    }
    EXPECT_EQ(alarms.LiveCount(), 2u) << "No keeps it";
    EXPECT_EQ(changes, 0);
    {
        test::MessageBoxWatcher box(IDYES);
        Click(IDC_DELETE_ALARM);
    }
    EXPECT_EQ(alarms.GetAt(2), nullptr) << "row 1 was the 30-minute alarm in slot 2";
    EXPECT_EQ(changes, 1);
    ASSERT_EQ(Rows(), 1);
    EXPECT_EQ(Cell(list, 0, 0), "20");
}

TEST_F(AlarmsDialogTest, EditResetsTheCountOfTheRowsAlarm) {
    Select(0);
    std::thread answer([] {
        HWND set = nullptr;
        // Shown only once its initialisation has put its values in.
        for (int i = 0; i < 500; ++i, Sleep(10))
            if ((set = FindWindowA("#32770", "Set Alarm")) && IsWindowVisible(set)) break;
        if (!set || !IsWindowVisible(set)) return;
        SetDlgItemTextA(set, IDC_ALARM_INTERVAL, "45");
        SetDlgItemTextA(set, IDC_ALARM_MESSAGE, "Stretch");
        PostMessageA(set, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    });
    Click(IDC_EDIT_ALARM);
    answer.join();
    const horolux::AlarmData* edited = alarms.GetAt(1);
    ASSERT_TRUE(edited);
    EXPECT_EQ(edited->interval, 45);
    EXPECT_EQ(edited->count, 0);
    EXPECT_EQ(edited->message, "Stretch");
    EXPECT_EQ(Cell(list, 0, 1), "0");
    EXPECT_EQ(changes, 1);
}

TEST_F(AlarmsDialogTest, ARowWhoseAlarmWasDeletedMeanwhileIsNotTouched) {
    Select(1);
    alarms.EmptySlot(2);  // a popup's "Delete alarm" while the list still shows it
    test::MessageBoxWatcher box(IDOK);
    Click(IDC_EDIT_ALARM);
    box.Finish();
    EXPECT_EQ(box.text, "You must select a alarm in the list!");
    EXPECT_EQ(Rows(), 1) << "the list shows what is left";
    EXPECT_EQ(changes, 0) << "nothing was changed here";
}

}  // namespace
