// What a sync leaves on the tray icon, seen from inside the program: the main window runs
// modeless here and syncs against tools/timeserver.py through http_proxy.
#include <gtest/gtest.h>

#include "message_box_watcher.h"
#include "resource.h"
#include "test_registry.h"
#include "tests/support/memory_settings_store.h"
#include "time_server_client.h"
#include "ui/app/horolux_app.h"
#include "ui/mainwnd/main_dialog.h"

using namespace ui;  // the layer under test

namespace {

class SyncReport : public ::testing::Test {
protected:
    void SetUp() override {
        const std::string port = test::EnvText("HOROLUX_TIMESERVER_PORT");
        if (port.empty()) GTEST_SKIP() << "no time server (script/test starts one)";
        port_ = std::atoi(port.c_str());
        ASSERT_TRUE(dialog_.Create());
        KillTimer(dialog_.GetSafeHwnd(), ui::kTimerInit);  // no hiding or start-up sync here
    }
    void TearDown() override {
        if (dialog_.GetSafeHwnd()) dialog_.DestroyWindow();
    }
    void Mode(const char* query) {
        ASSERT_EQ(test::ServerGet(port_, std::string("/control?") + query), "ok\n");
    }
    std::string Text(int id) {
        char buf[256] = {};
        GetDlgItemTextA(dialog_.GetSafeHwnd(), id, buf, sizeof buf);
        return buf;
    }

    int port_ = 0;
    horolux::MemorySettingsStore settings_;  // nothing of the tests reaches the registry
    horolux::HoroluxModel model_{settings_};
    AlarmSoundPlayer sounds_;
    CHoroluxDlg dialog_{model_, sounds_};
};

TEST_F(SyncReport, SuccessPutsBackTheIconAndShowsLastAndNextSyncInTheTip) {
    Mode("mode=now");
    dialog_.SyncClock();
    ASSERT_EQ(Text(IDC_STATUS), " PC clock changed successfully ");
    const CSystemTray& tray = dialog_.TrayIcon();
    EXPECT_FALSE(tray.IsAnimating());
    EXPECT_EQ(tray.GetTrayIcon(), CSystemTray::LoadTrayIcon(IDR_MAINFRAME));
    // The schedule is off, so nothing follows "Next sync: ".
    EXPECT_EQ(tray.GetTipText(), "Horolux \nLast sync: " + Text(IDC_LAST_SYNC) + "\nNext sync: ");
}

TEST_F(SyncReport, FailureShowsTheErrorIconAndTip) {
    Mode("mode=nomarker");
    {
        test::MessageBoxWatcher box(IDOK);
        dialog_.SyncClock();
        box.Finish();
        EXPECT_TRUE(box.Seen());
    }
    const CSystemTray& tray = dialog_.TrayIcon();
    EXPECT_FALSE(tray.IsAnimating()) << "the animation stops on the error ending too";
    EXPECT_EQ(tray.GetTrayIcon(), CSystemTray::LoadTrayIcon(IDI_SYNC_FRAME_FIRST));
    EXPECT_EQ(tray.GetTipText(), "Horolux - Sync error!");
    EXPECT_EQ(Text(IDC_STATUS), " Unrecognized communication error! ");
}

TEST_F(SyncReport, ARefusedClockEndsLikeAFailedSync) {
    Mode("mode=offset&offset=7200");
    dialog_.SyncClock();
    EXPECT_EQ(Text(IDC_STATUS), " PC clock could not be set! ");
    EXPECT_EQ(dialog_.TrayIcon().GetTipText(), "Horolux - Sync error!");
    EXPECT_EQ(dialog_.TrayIcon().GetTrayIcon(), CSystemTray::LoadTrayIcon(IDI_SYNC_FRAME_FIRST));
    EXPECT_EQ(Text(IDC_LAST_SYNC), "");
}

}  // namespace
