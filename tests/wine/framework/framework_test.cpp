#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "framework/app.h"
#include "framework/data_exchange.h"
#include "framework/dialog.h"
#include "framework/guard.h"
#include "framework/message_box.h"
#include "framework/message_map.h"
#include "message_box_watcher.h"
#include "test_resources.h"

namespace {

constexpr UINT kPing = WM_APP + 7;

class TestDialog : public fw::CDialog {
public:
    TestDialog() : fw::CDialog(IDD_TEST_DIALOG) {}

    std::string text = "hello";
    int check = 1;
    int radio = 2;
    std::vector<std::string> calls;

protected:
    void DoDataExchange(fw::DataExchange& dx) override {
        dx.Text(IDC_TEST_EDIT, text);
        dx.Check(IDC_TEST_CHECK, check);
        dx.Radio(IDC_TEST_RADIO1, radio);
    }
    bool ProcessMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override {
        using Self = TestDialog;
        static const fw::MessageMap<Self> map = {
            fw::OnCommand(IDC_TEST_BUTTON, &Self::OnButton),
            fw::OnControl(IDC_TEST_EDIT, EN_CHANGE, &Self::OnEditChange),
            fw::OnMessage(kPing, &Self::OnPing),
            fw::OnMessage(WM_TIMER, &Self::OnTimer),
        };
        return map.Dispatch(*this, msg, wp, lp, result) ||
               CDialog::ProcessMessage(msg, wp, lp, result);
    }

private:
    void OnButton() { calls.push_back("button"); }
    void OnEditChange() { calls.push_back("change"); }
    LRESULT OnPing(WPARAM wp, LPARAM lp) { return static_cast<LRESULT>(wp + lp); }
    LRESULT OnTimer(WPARAM id, LPARAM) {
        KillTimer(m_hWnd, id);
        if (id == 1) EndDialog(42);
        if (id == 2) PostQuitMessage(3);
        return 0;
    }
};

std::string TextOf(HWND dlg, int id) {
    char buf[256] = {};
    GetDlgItemTextA(dlg, id, buf, sizeof buf);
    return buf;
}

TEST(DataExchange, PushWritesMembersAndTakeReadsControls) {
    TestDialog dlg;
    ASSERT_TRUE(dlg.Create());  // OnInitDialog pushes
    HWND h = dlg.GetSafeHwnd();
    EXPECT_EQ(TextOf(h, IDC_TEST_EDIT), "hello");
    EXPECT_EQ(IsDlgButtonChecked(h, IDC_TEST_CHECK), BST_CHECKED);
    EXPECT_EQ(IsDlgButtonChecked(h, IDC_TEST_RADIO1), BST_UNCHECKED);
    EXPECT_EQ(IsDlgButtonChecked(h, IDC_TEST_RADIO3), BST_CHECKED);

    SetDlgItemTextA(h, IDC_TEST_EDIT, "typed");
    CheckDlgButton(h, IDC_TEST_CHECK, BST_UNCHECKED);
    CheckRadioButton(h, IDC_TEST_RADIO1, IDC_TEST_RADIO3, IDC_TEST_RADIO2);
    dlg.UpdateData(true);
    EXPECT_EQ(dlg.text, "typed");
    EXPECT_EQ(dlg.check, 0);
    EXPECT_EQ(dlg.radio, 1);

    // No button of the group checked reads as -1; the group ends at the next WS_GROUP control.
    CheckDlgButton(h, IDC_TEST_RADIO2, BST_UNCHECKED);
    dlg.UpdateData(true);
    EXPECT_EQ(dlg.radio, -1);
    dlg.radio = 0;
    dlg.UpdateData(false);
    EXPECT_EQ(IsDlgButtonChecked(h, IDC_TEST_RADIO1), BST_CHECKED);
    EXPECT_EQ(IsDlgButtonChecked(h, IDC_TEST_RADIO2), BST_UNCHECKED);
    dlg.DestroyWindow();
    EXPECT_EQ(dlg.GetSafeHwnd(), nullptr);
}

TEST(DataExchange, ChangesThePushMakesReachNoHandler) {
    TestDialog dlg;
    ASSERT_TRUE(dlg.Create());
    dlg.calls.clear();
    dlg.text = "new";
    dlg.UpdateData(false);
    EXPECT_EQ(fw::GetWindowTextString(dlg.GetDlgItem(IDC_TEST_EDIT)), "new");
    EXPECT_TRUE(dlg.calls.empty()) << "the edit's change report during the push is not the user's";
    SetDlgItemTextA(dlg.GetSafeHwnd(), IDC_TEST_EDIT, "typed");
    EXPECT_EQ(dlg.calls, std::vector<std::string>{"change"})
        << "other changes are reported as before";
    dlg.DestroyWindow();
}

TEST(MessageMap, RoutesCommandsNotificationsAndMessages) {
    TestDialog dlg;
    ASSERT_TRUE(dlg.Create());
    HWND h = dlg.GetSafeHwnd();
    dlg.calls.clear();
    SendMessageA(h, WM_COMMAND, MAKEWPARAM(IDC_TEST_BUTTON, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(h, IDC_TEST_BUTTON)));
    SendMessageA(h, WM_COMMAND, MAKEWPARAM(IDC_TEST_BUTTON, BN_SETFOCUS),
                 0);                                        // other code: not routed
    SendMessageA(h, WM_COMMAND, IDC_TEST_BUTTON + 100, 0);  // other ID: not routed
    SetDlgItemTextA(h, IDC_TEST_EDIT, "x");
    EXPECT_EQ(dlg.calls, (std::vector<std::string>{"button", "change"}));
    EXPECT_EQ(SendMessageA(h, kPing, 40, 2), 42);
    dlg.DestroyWindow();
}

TEST(Dialog, ModalRunEndsWithTheEndDialogResultAndDestroysTheWindow) {
    struct Starter : public TestDialog {
        BOOL OnInitDialog() override {
            SetTimer(m_hWnd, 1, 10, nullptr);
            return TestDialog::OnInitDialog();
        }
    } modal;
    EXPECT_EQ(modal.DoModal(), 42);
    EXPECT_EQ(modal.GetSafeHwnd(), nullptr);
    EXPECT_EQ(modal.text, "hello") << "EndDialog alone takes nothing";
}

TEST(Dialog, QuitRequestEndsTheModalRunAndIsLeftForOuterLoops) {
    struct Quitter : public TestDialog {
        BOOL OnInitDialog() override {
            SetTimer(m_hWnd, 2, 10, nullptr);
            return TestDialog::OnInitDialog();
        }
    } modal;
    EXPECT_EQ(modal.DoModal(), -1);
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(msg.wParam, 3u);
}

TEST(Dialog, OkTakesTheControlsThenEnds) {
    struct Ok : public TestDialog {
        BOOL OnInitDialog() override {
            BOOL r = TestDialog::OnInitDialog();
            SetDlgItemTextA(m_hWnd, IDC_TEST_EDIT, "kept");
            PostMessageA(m_hWnd, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
            return r;
        }
    } modal;
    EXPECT_EQ(modal.DoModal(), IDOK);
    EXPECT_EQ(modal.text, "kept");
}

TEST(Subclassing, AControlClassSeesItsMessagesFirst) {
    TestDialog dlg;
    ASSERT_TRUE(dlg.Create());
    struct Swallower : public fw::CWnd {
        int chars = 0;
        bool ProcessMessage(UINT msg, WPARAM, LPARAM, LRESULT& r) override {
            if (msg != WM_CHAR) return false;
            ++chars;
            r = 0;
            return true;
        }
    } edit;
    ASSERT_TRUE(edit.SubclassDlgItem(IDC_TEST_EDIT, dlg.GetSafeHwnd()));
    EXPECT_EQ(fw::CWnd::FromHandle(dlg.GetDlgItem(IDC_TEST_EDIT)), &edit);
    SetDlgItemTextA(dlg.GetSafeHwnd(), IDC_TEST_EDIT, "");
    SendMessageA(edit.GetSafeHwnd(), WM_CHAR, 'q', 0);
    EXPECT_EQ(edit.chars, 1);
    EXPECT_EQ(TextOf(dlg.GetSafeHwnd(), IDC_TEST_EDIT), "")
        << "the swallowed key never reached the edit";
    SendMessageA(edit.GetSafeHwnd(), WM_SETTEXT, 0, reinterpret_cast<LPARAM>("default"));
    EXPECT_EQ(TextOf(dlg.GetSafeHwnd(), IDC_TEST_EDIT), "default")
        << "other messages get default processing";
    dlg.DestroyWindow();
    EXPECT_EQ(edit.GetSafeHwnd(), nullptr);
}

TEST(AppMessageBox, CaptionIsTheExecutableNameAndAnIconIsAdded) {
    test::MessageBoxWatcher watcher(IDOK);
    EXPECT_EQ(fw::AppMessageBox("Plain text"), IDOK);
    watcher.Finish();
    ASSERT_TRUE(watcher.Seen());
    EXPECT_EQ(watcher.caption, fw::ExecutableBaseName());
    EXPECT_EQ(watcher.text, "Plain text");
    EXPECT_TRUE(watcher.hasIcon);
}

TEST(AppMessageBox, AGivenCaptionAndButtonsAreKept) {
    test::MessageBoxWatcher watcher(IDNO);
    EXPECT_EQ(
        fw::AppMessageBox("Do you realy want to exit?", MB_YESNO | MB_ICONQUESTION, "Horolux"),
        IDNO);
    watcher.Finish();
    EXPECT_EQ(watcher.caption, "Horolux");
}

TEST(CatchAll, ReportsTheHandlerAndTheLastErrorAndGoesOn) {
    test::MessageBoxWatcher watcher(IDOK);
    bool after = false;
    fw::CatchAll("CHoroluxDlg::OnTimer(UINT nIDEvent)", [] {
        SetLastError(ERROR_ACCESS_DENIED);
        throw std::runtime_error("boom");
    });
    after = true;
    watcher.Finish();
    ASSERT_TRUE(watcher.Seen());
    EXPECT_EQ(watcher.text,
              "Unexpected error in CHoroluxDlg::OnTimer(UINT nIDEvent) \nError number: 5");
    EXPECT_TRUE(after);
}

}  // namespace

// What a disabled owner waits for: its shown, enabled popup, through a chain of modal windows.
TEST(EnabledPopup, IsFoundThroughTheChainOfDisabledOwners) {
    const auto popup = [](HWND owner) {
        return CreateWindowExA(0, "STATIC", "", WS_POPUP | WS_VISIBLE, 0, 0, 10, 10, owner, nullptr,
                               nullptr, nullptr);
    };
    HWND main = popup(nullptr), first = popup(main), second = popup(first);
    CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 10, 10, main, nullptr, nullptr, nullptr);
    EnableWindow(main, FALSE);
    EXPECT_EQ(fw::EnabledPopupOf(main), first) << "a hidden popup is not the one";
    EnableWindow(first, FALSE);
    EXPECT_EQ(fw::EnabledPopupOf(main), second);
    EnableWindow(second, FALSE);
    EXPECT_EQ(fw::EnabledPopupOf(main), nullptr);
    DestroyWindow(main);  // takes its owned windows along
}
