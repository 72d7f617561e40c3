#include "ui/controls/num_edit.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "framework/dialog.h"
#include "message_box_watcher.h"
#include "test_resources.h"
#include "ui/controls/num_spin.h"

using namespace ui;  // the layer under test

namespace {

std::string Text(HWND hwnd) {
    char buf[256] = {};
    GetWindowTextA(hwnd, buf, sizeof buf);
    return buf;
}

void Pump() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

// A dialog set up the way the main window sets up its interval field and spin.
class NumberDialog : public fw::CDialog {
public:
    NumberDialog() : fw::CDialog(IDD_TEST_NUMBER) {}

    bool Open() {
        if (!Create()) return false;
        ShowWindow(m_hWnd, SW_SHOWNA);
        return true;
    }
    void Close() {
        if (m_hWnd) DestroyWindow();
    }

    std::string intervalText = "26";  // the member pushed into the edit before the set-up
    std::vector<std::string> setUpTexts;
    int deltaPosNotices = 0;

    CNumEdit edit, wrapEdit;
    CNumSpinCtrl spin, wrapSpin, plainSpin;

protected:
    BOOL OnInitDialog() override {
        fw::CDialog::OnInitDialog();
        SetDlgItemTextA(m_hWnd, IDC_TEST_NUM_EDIT, intervalText.c_str());
        edit.SubclassDlgItem(IDC_TEST_NUM_EDIT, m_hWnd);
        spin.SubclassDlgItem(IDC_TEST_NUM_SPIN, m_hWnd);
        wrapEdit.SubclassDlgItem(IDC_TEST_NUM_WRAP_EDIT, m_hWnd);
        wrapSpin.SubclassDlgItem(IDC_TEST_NUM_WRAP_SPIN, m_hWnd);
        plainSpin.SubclassDlgItem(IDC_TEST_NUM_PLAIN_SPIN, m_hWnd);

        spin.SetBuddy(edit);
        setUpTexts.push_back(Text(edit));
        spin.SetRange(1, 264);
        setUpTexts.push_back(Text(edit));
        spin.SetPos(static_cast<float>(std::atoi(intervalText.c_str())));
        setUpTexts.push_back(Text(edit));
        spin.SetDelta(1);
        return TRUE;
    }
    bool ProcessMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override {
        if (msg == WM_NOTIFY && reinterpret_cast<NMHDR*>(lp)->code == UDN_DELTAPOS)
            ++deltaPosNotices;
        return fw::CDialog::ProcessMessage(msg, wp, lp, result);
    }
};

class NumEditTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dialog.Open());
        edit = dialog.edit.GetSafeHwnd();
        ASSERT_NE(edit, nullptr);
        ASSERT_NE(dialog.spin.GetSafeHwnd(), nullptr);
    }
    void TearDown() override {
        if (GetCapture()) ReleaseCapture();
        dialog.Close();
    }

    // Puts text in the edit with the caret at its end, as after typing it.
    static void Start(HWND hwnd, const char* text) {
        SetWindowTextA(hwnd, text);
        const int end = GetWindowTextLengthA(hwnd);
        SendMessageA(hwnd, EM_SETSEL, end, end);
    }
    static void Type(HWND hwnd, const std::string& chars) {
        for (char c : chars) SendMessageA(hwnd, WM_CHAR, static_cast<unsigned char>(c), 1);
    }
    static bool WholeTextSelected(HWND hwnd) {
        DWORD from = 0, to = 0;
        SendMessageA(hwnd, EM_GETSEL, reinterpret_cast<WPARAM>(&from),
                     reinterpret_cast<LPARAM>(&to));
        return from == 0 && static_cast<int>(to) == GetWindowTextLengthA(hwnd) && to > 0;
    }
    static void Click(HWND spin, bool up) {
        RECT rc{};
        GetClientRect(spin, &rc);
        const LPARAM at = MAKELPARAM(rc.right / 2, up ? rc.bottom / 4 : rc.bottom * 3 / 4);
        SendMessageA(spin, WM_LBUTTONDOWN, MK_LBUTTON, at);
        SendMessageA(spin, WM_LBUTTONUP, 0, at);
    }
    static void Key(HWND hwnd, UINT vk) {
        SendMessageA(hwnd, WM_KEYDOWN, vk, 1);
        SendMessageA(hwnd, WM_KEYUP, vk, 0xC0000001);
    }
    int SpinPosition() const {
        return static_cast<int>(SendMessageA(dialog.spin.GetSafeHwnd(), UDM_GETPOS32, 0, 0));
    }

    NumberDialog dialog;
    HWND edit = nullptr;
};

TEST_F(NumEditTest, MainWindowSetUpShowsTheStoredInterval) {
    // SetBuddy starts the buddy at 0, SetRange leaves the text, SetPos writes the stored value.
    EXPECT_EQ(dialog.setUpTexts, (std::vector<std::string>{"0", "0", "26"}));
    EXPECT_EQ(Text(edit), "26");
    EXPECT_EQ(dialog.spin.GetBuddy(), edit);
    EXPECT_EQ(dialog.spin.GetPos(), 26.0f);
    EXPECT_EQ(dialog.spin.GetDelta(), 1.0f);
    float min = 0, max = 0;
    dialog.spin.GetRange(min, max);
    EXPECT_EQ(min, 1.0f);
    EXPECT_EQ(max, 264.0f);
    int lower = -1, upper = -1;
    SendMessageA(dialog.spin.GetSafeHwnd(), UDM_GETRANGE32, reinterpret_cast<WPARAM>(&lower),
                 reinterpret_cast<LPARAM>(&upper));
    EXPECT_EQ(lower, 0);
    EXPECT_EQ(upper, 1000);
    EXPECT_EQ(SpinPosition(), 500);
}

TEST(NumEditSetUp, StoredIntervalOutsideTheRangeLeavesTheStartingZero) {
    for (const char* stored : {"300", "0", "abc"}) {
        NumberDialog dialog;
        dialog.intervalText = stored;
        ASSERT_TRUE(dialog.Open());
        EXPECT_EQ(Text(dialog.edit), "0") << stored;
        EXPECT_EQ(dialog.spin.GetPos(), 1.0f) << stored;  // "0" is out of range: the minimum
        dialog.Close();
    }
}

TEST_F(NumEditTest, TypedCharactersAreCheckedOnceTheyLand) {
    const struct {
        const char* start;
        const char* typed;
        const char* text;
        bool selected;  // the whole text selected after an undone keystroke
    } cases[] = {
        {"26", "5", "26", true},  // 265 is out of range
        {"2", "6", "26", false},
        {"26", "4", "264", false},
        {"5", "\b", "5", true},    // an empty text is no number
        {"5", "\b7", "7", false},  // the selected 5 is replaced by the next digit
        {"", "-", "-", false},     // a lone sign may start a number
        {"", "-3", "1", true},     // -3 is out of range; the lone sign stood for the minimum
        {"1", "x", "1", true},
        {"2", " ", "2", false},  // a space never arrives
        {"2", " 6 ", "26", false},
        {"", "0", "1", true},
        // Last: a typed decimal place widens every later text.
        {"12", ".", "12.", false},
        {"12", ".5", "12.5", false},
        {"26", "5", "26.0", true},
    };
    for (const auto& c : cases) {
        Start(edit, c.start);
        Type(edit, c.typed);
        EXPECT_EQ(Text(edit), c.text) << '"' << c.start << "\" + \"" << c.typed << '"';
        EXPECT_EQ(WholeTextSelected(edit), c.selected)
            << '"' << c.start << "\" + \"" << c.typed << '"';
    }
}

TEST_F(NumEditTest, TypedDecimalsWidenTheValuesShownLater) {
    dialog.edit.SetRange(0, 10);
    Start(edit, "");
    Type(edit, "1.25");
    EXPECT_EQ(Text(edit), "1.25");
    EXPECT_EQ(dialog.edit.GetDecimals(), 2);
    EXPECT_TRUE(dialog.edit.SetValue(3));
    EXPECT_EQ(Text(edit), "3.00");
    std::string format;
    dialog.edit.ConstructFormat(format, 7);
    EXPECT_EQ(format, "%.2f");
}

TEST_F(NumEditTest, AnUndoneKeystrokeDropsTheRestOfTheBurst) {
    Start(edit, "26");
    PostMessageA(edit, WM_CHAR, '1', 1);
    PostMessageA(edit, WM_CHAR, '2', 1);
    Type(edit, "5");
    Pump();
    EXPECT_EQ(Text(edit), "26");

    // A burst of good characters all arrive.
    Start(edit, "2");
    PostMessageA(edit, WM_CHAR, '6', 1);
    PostMessageA(edit, WM_CHAR, '4', 1);
    Pump();
    EXPECT_EQ(Text(edit), "264");
}

TEST_F(NumEditTest, ValidityOfTheWindowText) {
    const struct {
        const char* text;
        int code;
    } cases[] = {{" 26 ", 0}, {"265", 1}, {"2 6", 2}, {"-", 3}};
    for (const auto& c : cases) {
        SetWindowTextA(edit, c.text);
        EXPECT_EQ(dialog.edit.IsValid(), c.code) << '"' << c.text << '"';
        EXPECT_EQ(dialog.edit.IsValid(std::string(c.text)), c.code) << '"' << c.text << '"';
    }
}

TEST_F(NumEditTest, SetPosRefusesValuesOutsideTheRangeAndGetPosReadsTheText) {
    EXPECT_EQ(Text(edit), "26");
    dialog.spin.SetPos(300);
    EXPECT_EQ(Text(edit), "26");
    EXPECT_FALSE(dialog.edit.SetValue(0));
    EXPECT_EQ(Text(edit), "26");
    dialog.spin.SetPos(264);
    EXPECT_EQ(Text(edit), "264");
    EXPECT_EQ(dialog.spin.GetPos(), 264.0f);
    SetWindowTextA(edit, "100");
    EXPECT_EQ(dialog.spin.GetPos(), 100.0f);
    SetWindowTextA(edit, "xyz");
    EXPECT_EQ(dialog.spin.GetPos(), 1.0f);  // a broken text reads as the minimum
    EXPECT_EQ(Text(edit), "xyz");           // and is not rewritten by reading it
}

TEST_F(NumEditTest, SpinStepsTheBuddyWithinItsRange) {
    const struct {
        const char* start;
        bool up;
        const char* text;
    } cases[] = {
        {"26", true, "27"},
        {"26", false, "25"},
        {"264", true, "264"},
        {"1", false, "1"},
        {"263", true, "264"},
        {"2", false, "1"},
        // A step from an empty or broken text starts at the minimum.
        {"", true, "2"},
        {"", false, "1"},
        {"abc", true, "2"},
        {"-", false, "1"},
    };
    HWND spins[] = {dialog.spin.GetSafeHwnd(), dialog.wrapSpin.GetSafeHwnd()};
    dialog.wrapSpin.SetBuddy(dialog.wrapEdit);
    dialog.wrapSpin.SetRange(1, 264);
    dialog.wrapSpin.SetPos(1);
    dialog.wrapSpin.SetDelta(1);
    for (HWND spin : spins) {
        HWND buddy = reinterpret_cast<HWND>(SendMessageA(spin, UDM_GETBUDDY, 0, 0));
        for (const auto& c : cases) {
            const int before = dialog.deltaPosNotices;
            SetWindowTextA(buddy, c.start);
            Click(spin, c.up);
            Pump();
            EXPECT_EQ(Text(buddy), c.text) << '"' << c.start << (c.up ? "\" up" : "\" down")
                                           << (spin == spins[1] ? " (wrap)" : "");
            EXPECT_EQ(dialog.deltaPosNotices, before + 1);
        }
    }
}

TEST_F(NumEditTest, ArrowKeysInTheFieldStepLikeTheSpin) {
    Start(edit, "26");
    Key(edit, VK_UP);
    EXPECT_EQ(Text(edit), "27");
    Key(edit, VK_DOWN);
    Key(edit, VK_DOWN);
    EXPECT_EQ(Text(edit), "25");
    Start(edit, "264");
    Key(edit, VK_UP);
    EXPECT_EQ(Text(edit), "264");
}

TEST_F(NumEditTest, StepIsTheBuddysDelta) {
    dialog.spin.SetDelta(5);
    EXPECT_EQ(dialog.edit.GetDelta(), 5.0f);
    SetWindowTextA(edit, "26");
    Click(dialog.spin, true);
    EXPECT_EQ(Text(edit), "31");
    SetWindowTextA(edit, "3");
    Click(dialog.spin, false);
    EXPECT_EQ(Text(edit), "1");
}

TEST_F(NumEditTest, SpinPositionNeverReachesAnEndInLongRuns) {
    // The alarm interval's range lets the value itself run far.
    dialog.spin.SetRange(1, 999999);
    dialog.spin.SetPos(1);
    int lowest = 500, highest = 500;
    for (int i = 0; i < 1000; ++i) {
        Click(dialog.spin, true);
        lowest = std::min(lowest, SpinPosition());
        highest = std::max(highest, SpinPosition());
    }
    EXPECT_EQ(Text(edit), "1001");
    for (int i = 0; i < 1000; ++i) {
        Click(dialog.spin, false);
        lowest = std::min(lowest, SpinPosition());
        highest = std::max(highest, SpinPosition());
    }
    EXPECT_EQ(Text(edit), "1");
    EXPECT_GT(lowest, 0);
    EXPECT_LT(highest, 1000);
}

TEST_F(NumEditTest, ABuddyThatIsNoNumberFieldIsLeftAlone) {
    HWND plain = GetDlgItem(dialog.GetSafeHwnd(), IDC_TEST_NUM_PLAIN_EDIT);
    SetWindowTextA(plain, "abc");
    ui::CNumSpinCtrl& spin = dialog.plainSpin;
    spin.SetBuddy(plain);
    EXPECT_EQ(spin.GetBuddy(), plain);
    EXPECT_EQ(Text(plain), "abc");
    spin.SetRange(1, 264);
    spin.SetPos(5);
    spin.SetDelta(3);
    EXPECT_EQ(Text(plain), "abc");
    EXPECT_EQ(spin.GetPos(), 0.0f);
    EXPECT_EQ(spin.GetDelta(), 0.0f);
    float min = 7, max = 7;
    spin.GetRange(min, max);
    EXPECT_EQ(min, 0.0f);
    EXPECT_EQ(max, 0.0f);
    Click(spin, true);
    Pump();
    EXPECT_EQ(Text(plain), "abc");
}

TEST_F(NumEditTest, VerboseFieldReportsBrokenAndOutOfRangeTexts) {
    const struct {
        const char* text;
        int code;
        const char* message;
    } cases[] = {
        {"abc", 2, "Characters must be a number."},
        {"300", 1, "Given value is out of range."},
    };
    dialog.edit.SetVerbose(1);
    EXPECT_EQ(dialog.edit.GetVerbose(), 1);
    for (const auto& c : cases) {
        SetWindowTextA(edit, c.text);
        test::MessageBoxWatcher box(IDOK);
        EXPECT_EQ(dialog.edit.IsValid(), c.code);
        box.Finish();
        EXPECT_TRUE(box.Seen()) << c.text;
        EXPECT_EQ(box.text.substr(0, box.text.find('\n')), c.message);
        EXPECT_TRUE(box.hasIcon);
    }
    // Valid texts and lone signs are never reported.
    for (const char* text : {"26", "-"}) {
        SetWindowTextA(edit, text);
        test::MessageBoxWatcher box(IDOK);
        dialog.edit.IsValid();
        box.Finish();
        EXPECT_FALSE(box.Seen()) << text;
    }
    // Not verbose: silent.
    dialog.edit.SetVerbose(0);
    SetWindowTextA(edit, "abc");
    test::MessageBoxWatcher box(IDOK);
    EXPECT_EQ(dialog.edit.IsValid(), 2);
    box.Finish();
    EXPECT_FALSE(box.Seen());
}

}  // namespace
