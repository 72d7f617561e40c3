// The program's windows as a screen reader meets them through Microsoft Active Accessibility, in
// this process: Wine's AccessibleObjectFromWindow asks the window (WM_GETOBJECT) and unmarshals
// our object itself. Wine's standard proxies give every control but an edit the generic client
// role and name a control by its own text (an edit by the static before it), so roles and states
// are checked where the program gives them itself.
#include <gtest/gtest.h>
#include <oleacc.h>

#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "controls/test_picture_dialog.h"
#include "framework/data_exchange.h"
#include "tests/support/memory_settings_store.h"
#include "ui/alarms/alarm_popup_dialog.h"
#include "ui/alarms/alarms_dialog.h"
#include "ui/alarms/set_alarm_dialog.h"
#include "ui/clockwnd/alarm_clock_dialog.h"
#include "ui/controls/about_box.h"
#include "ui/mainwnd/main_dialog.h"
#include "ui/sync/time_source_dialog.h"

using namespace ui;  // the layer under test

namespace {

constexpr DWORD kPatienceMs = 5000;

// COM for the test's thread, as the program has it (OleInitialize) for its windows.
class Apartment {
public:
    Apartment() { CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); }
    ~Apartment() { CoUninitialize(); }
    Apartment(const Apartment&) = delete;
    Apartment& operator=(const Apartment&) = delete;
};

struct ComRelease {
    void operator()(IUnknown* object) const { object->Release(); }
};
using Accessible = std::unique_ptr<IAccessible, ComRelease>;

Accessible ClientOf(HWND hwnd) {
    void* object = nullptr;
    AccessibleObjectFromWindow(hwnd, OBJID_CLIENT, IID_IAccessible, &object);
    return Accessible(static_cast<IAccessible*>(object));
}

VARIANT Self() {
    VARIANT self;
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    return self;
}

std::string Text(IAccessible* object,
                 HRESULT (STDMETHODCALLTYPE IAccessible::*get)(VARIANT, BSTR*)) {
    BSTR text = nullptr;
    if (FAILED((object->*get)(Self(), &text)) || !text) return {};
    char narrow[2048] = {};
    WideCharToMultiByte(CP_ACP, 0, text, -1, narrow, sizeof narrow, nullptr, nullptr);
    SysFreeString(text);
    return narrow;
}
std::string Name(IAccessible* object) {
    return Text(object, &IAccessible::get_accName);
}
std::string Value(IAccessible* object) {
    return Text(object, &IAccessible::get_accValue);
}
std::string Description(IAccessible* object) {
    return Text(object, &IAccessible::get_accDescription);
}

LONG Number(IAccessible* object, HRESULT (STDMETHODCALLTYPE IAccessible::*get)(VARIANT, VARIANT*)) {
    VARIANT number;
    VariantInit(&number);
    if (FAILED((object->*get)(Self(), &number)) || number.vt != VT_I4) return -1;
    return number.lVal;
}
LONG Role(IAccessible* object) {
    return Number(object, &IAccessible::get_accRole);
}
LONG State(IAccessible* object) {
    return Number(object, &IAccessible::get_accState);
}

std::string NameOf(const fw::CWnd& dialog, int control) {
    const Accessible object = ClientOf(dialog.GetDlgItem(control));
    return object ? Name(object.get()) : std::string();
}

std::vector<HWND> Controls(HWND dialog) {
    std::vector<HWND> controls;
    for (HWND c = GetWindow(dialog, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
        controls.push_back(c);
    return controls;
}

// Dispatches this thread's messages (and with them the events of out-of-context hooks) until
// done() or the patience runs out; done() as it then is.
bool PumpUntil(const std::function<bool()>& done) {
    const ULONGLONG end = GetTickCount64() + kPatienceMs;
    while (!done() && GetTickCount64() < end) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    }
    return done();
}

// Every control with an ID of its own (labels, frames and icons have none) has a name that is
// not just what it shows, and no two controls of one kind share one. Each control is its own
// window and the window's object lists them all.
void ExpectNamed(HWND dialog, const char* window) {
    SCOPED_TRACE(window);
    ASSERT_TRUE(dialog);
    const std::vector<HWND> controls = Controls(dialog);
    const Accessible client = ClientOf(dialog);
    ASSERT_TRUE(client);
    std::vector<VARIANT> children(controls.size());
    LONG found = 0;
    EXPECT_EQ(AccessibleChildren(client.get(), 0, static_cast<LONG>(children.size()),
                                 children.data(), &found),
              S_OK);
    EXPECT_EQ(found, static_cast<LONG>(controls.size()));
    for (LONG i = 0; i < found; ++i) {
        EXPECT_EQ(children[i].vt, VT_DISPATCH) << "child " << i << ": a window of its own";
        VariantClear(&children[i]);
    }

    std::set<std::pair<std::string, std::string>> kindAndName;
    for (HWND control : controls) {
        const int id = GetDlgCtrlID(control);
        if (id == -1) continue;
        SCOPED_TRACE("control " + std::to_string(id));
        const Accessible object = ClientOf(control);
        ASSERT_TRUE(object);
        const std::string name = Name(object.get());
        ASSERT_FALSE(name.empty());
        EXPECT_NE(name, Value(object.get()));
        char kind[64] = {};
        GetClassNameA(control, kind, sizeof kind);
        EXPECT_TRUE(kindAndName.insert({kind, name}).second) << "\"" << name << "\" twice";
    }
}

// Counts the events of the kinds asked for, per window, as an out-of-context hook gets them.
class EventCounter {
public:
    EventCounter(DWORD first, DWORD last) {
        s_self = this;
        m_hook = SetWinEventHook(first, last, nullptr, &EventCounter::OnEvent,
                                 GetCurrentProcessId(), 0, WINEVENT_OUTOFCONTEXT);
    }
    ~EventCounter() {
        UnhookWinEvent(m_hook);
        s_self = nullptr;
    }
    EventCounter(const EventCounter&) = delete;
    EventCounter& operator=(const EventCounter&) = delete;

    int Count(DWORD event, HWND hwnd) const {
        const auto it = m_counts.find({event, hwnd});
        return it == m_counts.end() ? 0 : it->second;
    }
    // The window's name each time its name change arrived.
    std::vector<std::string> NamesHeard(HWND hwnd) const {
        const auto it = m_names.find(hwnd);
        return it == m_names.end() ? std::vector<std::string>() : it->second;
    }

private:
    static void CALLBACK OnEvent(HWINEVENTHOOK, DWORD event, HWND hwnd, LONG object, LONG child,
                                 DWORD, DWORD) {
        if (!s_self || (object != OBJID_CLIENT && event != EVENT_SYSTEM_DIALOGSTART)) return;
        ++s_self->m_counts[{event, hwnd}];
        if (event != EVENT_OBJECT_NAMECHANGE || child != CHILDID_SELF) return;
        if (const Accessible heard = ClientOf(hwnd))
            s_self->m_names[hwnd].push_back(Name(heard.get()));
    }

    static inline EventCounter* s_self = nullptr;
    HWINEVENTHOOK m_hook = nullptr;
    std::map<std::pair<DWORD, HWND>, int> m_counts;
    std::map<HWND, std::vector<std::string>> m_names;
};

}  // namespace

TEST(Accessibility, EveryControlAReaderMeetsHasANameAPersonUnderstands) {
    const Apartment com;
    horolux::MemorySettingsStore settings;
    horolux::HoroluxModel model{settings};
    AlarmSoundPlayer sounds;
    {
        CHoroluxDlg main(model, sounds);
        ASSERT_TRUE(main.Create());
        KillTimer(main.GetSafeHwnd(), kTimerInit);
        ExpectNamed(main.GetSafeHwnd(), "main window");
        // The interval's label is a check box, which the proxy does not take for one.
        EXPECT_EQ(NameOf(main, IDC_INTERVAL), "Sync interval");
        const Accessible picker = ClientOf(main.GetDlgItem(IDC_NEXT_START_PICKER));
        EXPECT_EQ(Name(picker.get()), "Next sync at");
        EXPECT_EQ(Value(picker.get()),
                  fw::GetWindowTextString(main.GetDlgItem(IDC_NEXT_START_PICKER)));
        main.SetStatusText(" Synced ");
        EXPECT_EQ(Value(ClientOf(main.GetDlgItem(IDC_STATUS)).get()), " Synced ");
        main.DestroyWindow();
    }
    {
        CAboutBox about;
        ASSERT_TRUE(about.Create());
        ExpectNamed(about.GetSafeHwnd(), "about box");
        about.DestroyWindow();
    }
    {
        horolux::AlarmDataArray alarms;
        CAlarmsDlg list(alarms, sounds);
        ASSERT_TRUE(list.Create());
        ExpectNamed(list.GetSafeHwnd(), "alarms");
        EXPECT_EQ(NameOf(list, IDC_ALARM_LIST), "Alarms");
        list.DestroyWindow();
    }
    {
        CSetAlarmDlg set(sounds);
        ASSERT_TRUE(set.Create());
        ExpectNamed(set.GetSafeHwnd(), "set alarm");
        set.DestroyWindow();
    }
    {
        CAlarmPopupDlg popup;
        popup.m_message = "Tea";
        ASSERT_TRUE(popup.Create());
        ExpectNamed(popup.GetSafeHwnd(), "alarm popup");
        EXPECT_EQ(NameOf(popup, IDC_POPUP_MESSAGE), "Alarm message");
        popup.DestroyWindow();
    }
    {
        CAlarmClockDlg clock(settings);
        ASSERT_TRUE(clock.Create());
        ExpectNamed(clock.GetSafeHwnd(), "floating clock");
        clock.DestroyWindow();
    }
    {
        CTranspSliderDlg slider;
        ASSERT_TRUE(slider.Create());
        ExpectNamed(slider.GetSafeHwnd(), "transparency");
        const Accessible opacity = ClientOf(slider.GetDlgItem(IDC_TRANSP_SLIDER));
        EXPECT_EQ(Name(opacity.get()), "Opacity");
        EXPECT_EQ(Value(opacity.get()), "0");
        slider.DestroyWindow();
    }
    {
        CTimeSourceDlg source(horolux::TimeSourceChoice{}, {}, {});
        ASSERT_TRUE(source.Create());
        ExpectNamed(source.GetSafeHwnd(), "time source");
        // Each field beside its radio button, not the window's first label for all four.
        EXPECT_EQ(NameOf(source, IDC_TIME_SERVER), "Internet time server");
        EXPECT_EQ(NameOf(source, IDC_TEST_SOURCES), "Test results");
        source.DestroyWindow();
    }
}

TEST(Accessibility, ShadedButtonsArePushButtonsThatAReaderPresses) {
    const Apartment com;
    test::PictureDialog dialog;
    ASSERT_TRUE(dialog.Create());
    HWND hwnd = dialog.GetSafeHwnd();
    // The Close button made the template's default, as ShadedButtonDefault does.
    HWND close = GetDlgItem(hwnd, IDCANCEL);
    SetWindowLongA(close, GWL_STYLE,
                   (GetWindowLongA(close, GWL_STYLE) & ~BS_TYPEMASK) | BS_DEFPUSHBUTTON);
    ASSERT_TRUE(dialog.close.SubclassDlgItem(IDCANCEL, hwnd));
    ASSERT_TRUE(dialog.sync.SubclassDlgItem(IDC_SYNC, hwnd));
    dialog.sync.SetTooltipText("Sync the PC clock from Internet");
    SetWindowPos(hwnd, HWND_TOP, 20, 20, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);

    const Accessible sync = ClientOf(dialog.sync);
    ASSERT_TRUE(sync);
    EXPECT_EQ(Role(sync.get()), ROLE_SYSTEM_PUSHBUTTON);
    EXPECT_EQ(Name(sync.get()), "Sync clock");
    EXPECT_EQ(Text(sync.get(), &IAccessible::get_accKeyboardShortcut), "Alt+S");
    EXPECT_EQ(Text(sync.get(), &IAccessible::get_accDefaultAction), "Press");
    EXPECT_EQ(Description(sync.get()), "Sync the PC clock from Internet");
    SetFocus(dialog.sync);
    EXPECT_EQ(
        State(sync.get()) & (STATE_SYSTEM_FOCUSABLE | STATE_SYSTEM_FOCUSED | STATE_SYSTEM_DEFAULT),
        STATE_SYSTEM_FOCUSABLE | STATE_SYSTEM_FOCUSED);
    EXPECT_TRUE(State(ClientOf(dialog.close).get()) & STATE_SYSTEM_DEFAULT);

    EXPECT_EQ(sync->accDoDefaultAction(Self()), S_OK);
    EXPECT_TRUE(PumpUntil([&] { return !dialog.commands.empty(); }));
    EXPECT_EQ(dialog.commands, std::vector<WPARAM>{MAKEWPARAM(IDC_SYNC, BN_CLICKED)});

    EnableWindow(dialog.sync, FALSE);
    EXPECT_EQ(State(sync.get()) & (STATE_SYSTEM_FOCUSABLE | STATE_SYSTEM_UNAVAILABLE),
              STATE_SYSTEM_UNAVAILABLE);
    dialog.Close();
}

TEST(Accessibility, DrawnControlsSayWhatTheyShow) {
    const Apartment com;
    horolux::MemorySettingsStore settings;
    {
        CAlarmClockDlg clock(settings);
        ASSERT_TRUE(clock.Create());
        const Accessible face = ClientOf(clock.Display());
        ASSERT_TRUE(face);
        EXPECT_EQ(Role(face.get()), ROLE_SYSTEM_STATICTEXT);
        EXPECT_EQ(Name(face.get()), "No alarms");
        EXPECT_EQ(Description(face.get()), "Minutes left to each alarm");
        clock.SetClockText("12::5");
        EXPECT_EQ(Name(face.get()), "12 minutes, 5 minutes");
        EXPECT_EQ(Value(face.get()), "12::5");
        const Accessible window = ClientOf(clock.GetSafeHwnd());
        EXPECT_EQ(Name(window.get()), "Horolux alarm clock");
        EXPECT_EQ(Description(window.get()), "12 minutes, 5 minutes");
        clock.DestroyWindow();
    }
    {
        CAlarmPopupDlg popup;
        popup.m_message = "Tea time";
        ASSERT_TRUE(popup.Create());
        const Accessible dialog = ClientOf(popup.GetSafeHwnd());
        EXPECT_EQ(Role(dialog.get()), ROLE_SYSTEM_DIALOG);
        EXPECT_EQ(Name(dialog.get()), "Alarm");
        EXPECT_EQ(Description(dialog.get()), "Tea time");
        const Accessible bell = ClientOf(popup.GetDlgItem(IDC_POPUP_PICTURE));
        EXPECT_EQ(Role(bell.get()), ROLE_SYSTEM_ANIMATION);
        EXPECT_EQ(Name(bell.get()), "Alarm bell");
        EXPECT_TRUE(State(bell.get()) & STATE_SYSTEM_ANIMATED);
        popup.DestroyWindow();
    }
    {
        CAboutBox about;
        ASSERT_TRUE(about.Create());
        const Accessible credits = ClientOf(about.GetDlgItem(IDC_STAR_CREDITS));
        EXPECT_EQ(Role(credits.get()), ROLE_SYSTEM_ANIMATION);
        EXPECT_EQ(Name(credits.get()), "Credits");
        const std::string lines = Value(credits.get());
        EXPECT_EQ(lines.rfind("Horolux\nSync the clock over internet\nWritten by\n", 0), 0u)
            << lines;
        about.DestroyWindow();
    }
}

TEST(Accessibility, ReadersHearOfTheAlarmAndOfNewMinutesAtMostOnceAMinute) {
    const Apartment com;
    EventCounter events(EVENT_SYSTEM_ALERT, EVENT_OBJECT_NAMECHANGE);
    {
        CAlarmPopupDlg popup;
        ASSERT_TRUE(popup.Create());
        HWND hwnd = popup.GetSafeHwnd();
        EXPECT_TRUE(PumpUntil([&] {
            return events.Count(EVENT_SYSTEM_ALERT, hwnd) == 1 &&
                   events.Count(EVENT_SYSTEM_DIALOGSTART, hwnd) == 1;
        }));
        popup.DestroyWindow();
    }

    horolux::MemorySettingsStore settings;
    CAlarmClockDlg clock(settings);
    ASSERT_TRUE(clock.Create());
    HWND face = clock.Display();
    clock.SetClockText("12::5");
    ASSERT_TRUE(PumpUntil([&] { return events.Count(EVENT_OBJECT_NAMECHANGE, face) == 1; }))
        << "the first change at once";
    clock.SetClockText("11::4");
    clock.SetClockText("10::3");
    // Events arrive in order: once this one is in, any the changes above set off would be too.
    fw::NotifyNameChange(clock.GetSafeHwnd());
    ASSERT_TRUE(
        PumpUntil([&] { return events.Count(EVENT_OBJECT_NAMECHANGE, clock.GetSafeHwnd()) == 1; }));
    EXPECT_EQ(events.Count(EVENT_OBJECT_NAMECHANGE, face), 1) << "held within the minute";

    SendMessageA(face, WM_TIMER, kTimerReaderNameChange, 0);  // the minute is over
    ASSERT_TRUE(PumpUntil([&] { return events.Count(EVENT_OBJECT_NAMECHANGE, face) == 2; }));
    EXPECT_EQ(events.NamesHeard(face),
              (std::vector<std::string>{"12 minutes, 5 minutes", "10 minutes, 3 minutes"}));
    clock.DestroyWindow();
}

TEST(Accessibility, ObjectsOutlivingTheirWindowAnswerAnErrorAndNothingLeaks) {
    const Apartment com;
    CTranspSliderDlg slider;  // a control named by the framework
    ASSERT_TRUE(slider.Create());
    CAlarmPopupDlg popup;  // a window that describes itself
    ASSERT_TRUE(popup.Create());

    for (HWND hwnd : {slider.GetDlgItem(IDC_TRANSP_SLIDER), popup.GetSafeHwnd()}) {
        const Accessible held = ClientOf(hwnd);
        ASSERT_TRUE(held);
        const ULONG before = held->AddRef();
        held->Release();
        for (int i = 0; i < 1000; ++i) ASSERT_FALSE(Name(ClientOf(hwnd).get()).empty());
        const ULONG after = held->AddRef();
        held->Release();
        EXPECT_EQ(after, before) << "every query's reference given back";
    }

    IAccessible* held = ClientOf(popup.GetSafeHwnd()).release();
    ASSERT_TRUE(held);
    popup.DestroyWindow();
    BSTR name = nullptr;
    EXPECT_EQ(held->get_accName(Self(), &name), RPC_E_DISCONNECTED);
    EXPECT_EQ(name, nullptr);
    LONG x = 0, y = 0, w = 0, h = 0;
    EXPECT_EQ(held->accLocation(&x, &y, &w, &h, Self()), RPC_E_DISCONNECTED);
    EXPECT_EQ(held->Release(), 0u) << "the reader's was the last reference";
    slider.DestroyWindow();
}
