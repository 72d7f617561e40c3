#pragma once
// Per-class dispatch tables: each entry maps a message (and, for WM_COMMAND and WM_NOTIFY, a
// notification code and a control or command ID) to a member handler. A class keeps its table
// next to its handlers and chains to its base class when nothing matched:
//
//   bool CMyDlg::ProcessMessage(UINT m, WPARAM w, LPARAM l, LRESULT& r) {
//       static const fw::MessageMap<CMyDlg> map = {
//           fw::OnCommand(IDC_SYNC, &CMyDlg::OnSync),
//           fw::OnControl(IDC_EDIT, EN_CHANGE, &CMyDlg::OnEditChange),
//           fw::OnNotify(IDC_PICKER, DTN_DATETIMECHANGE, &CMyDlg::OnPickerChange),
//           fw::OnMessage(WM_TIMER, &CMyDlg::OnTimerMessage),
//       };
//       return map.Dispatch(*this, m, w, l, r) || CDialog::ProcessMessage(m, w, l, r);
//   }
#include <functional>
#include <initializer_list>
#include <vector>

#include "framework/win32.h"

namespace fw {

template <class T>
struct MessageEntry {
    UINT message;
    UINT code;  // WM_COMMAND: notification code (0 for buttons and menus); WM_NOTIFY: NMHDR::code
    UINT id;    // WM_COMMAND / WM_NOTIFY: control or command ID; otherwise unused
    std::function<LRESULT(T&, WPARAM, LPARAM)> call;
    // For a message number known only at run time: asked of the object at each dispatch.
    UINT (T::*messageOf)() const = nullptr;
};

template <class T>
class MessageMap {
public:
    MessageMap(std::initializer_list<MessageEntry<T>> entries) : entries_(entries) {}

    bool Dispatch(T& self, UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) const {
        for (const auto& e : entries_) {
            const UINT message = e.messageOf ? (self.*e.messageOf)() : e.message;
            if (message != msg || (e.messageOf && message == 0) || !Matches(e, msg, wp, lp))
                continue;
            result = e.call(self, wp, lp);
            return true;
        }
        return false;
    }

private:
    static bool Matches(const MessageEntry<T>& e, UINT msg, WPARAM wp, LPARAM lp) {
        if (msg == WM_COMMAND) {
            // Accelerators arrive with code 1; they stand for the same command as the menu item.
            UINT code = HIWORD(wp);
            if (code == 1 && lp == 0) code = 0;
            return LOWORD(wp) == e.id && code == e.code;
        }
        if (msg == WM_NOTIFY) {
            const auto* nm = reinterpret_cast<const NMHDR*>(lp);
            return nm->idFrom == e.id && nm->code == e.code;
        }
        return true;
    }

    std::vector<MessageEntry<T>> entries_;
};

// A button click or a menu command: void handler().
template <class T>
MessageEntry<T> OnCommand(UINT id, void (T::*fn)()) {
    return {WM_COMMAND, 0, id, [fn](T& t, WPARAM, LPARAM) {
                (t.*fn)();
                return LRESULT{0};
            }};
}

// A control notification sent through WM_COMMAND (EN_CHANGE, BN_DOUBLECLICKED, ...).
template <class T>
MessageEntry<T> OnControl(UINT id, UINT code, void (T::*fn)()) {
    return {WM_COMMAND, code, id, [fn](T& t, WPARAM, LPARAM) {
                (t.*fn)();
                return LRESULT{0};
            }};
}

// A WM_NOTIFY notification: LRESULT handler(NMHDR*), whose result goes back to the control.
template <class T>
MessageEntry<T> OnNotify(UINT id, UINT code, LRESULT (T::*fn)(NMHDR*)) {
    return {WM_NOTIFY, code, id,
            [fn](T& t, WPARAM, LPARAM lp) { return (t.*fn)(reinterpret_cast<NMHDR*>(lp)); }};
}

// Any other message: LRESULT handler(WPARAM, LPARAM).
template <class T>
MessageEntry<T> OnMessage(UINT message, LRESULT (T::*fn)(WPARAM, LPARAM)) {
    return {message, 0, 0, [fn](T& t, WPARAM wp, LPARAM lp) { return (t.*fn)(wp, lp); }};
}

// One handler for several messages: LRESULT handler(UINT message, WPARAM, LPARAM).
template <class T>
MessageEntry<T> OnMessage(UINT message, LRESULT (T::*fn)(UINT, WPARAM, LPARAM)) {
    return {message, 0, 0,
            [fn, message](T& t, WPARAM wp, LPARAM lp) { return (t.*fn)(message, wp, lp); }};
}

// A message whose number the object knows only at run time (a registered message, a callback
// message it was given); messageOf returns it, or 0 while there is none.
template <class T>
MessageEntry<T> OnMessageOf(UINT (T::*messageOf)() const, LRESULT (T::*fn)(WPARAM, LPARAM)) {
    return {0, 0, 0, [fn](T& t, WPARAM wp, LPARAM lp) { return (t.*fn)(wp, lp); }, messageOf};
}

}  // namespace fw
