#pragma once
// Thin wrappers for the messages the program sends to windows and common controls. Each wrapper
// is a window handle it does not own, and each method sends one message with typed arguments and
// result; the casts the messages need live here and nowhere else.
#include <initializer_list>
#include <string>

#include "framework/dpi.h"
#include "framework/win32.h"

namespace fw {

// ---- Messages any window answers --------------------------------------------------------------

inline HFONT GetFont(HWND window) {
    return reinterpret_cast<HFONT>(::SendMessageA(window, WM_GETFONT, 0, 0));
}

inline void SetFont(HWND window, HFONT font, bool redraw) {
    ::SendMessageA(window, WM_SETFONT, reinterpret_cast<WPARAM>(font), redraw ? TRUE : FALSE);
}

// Returns the icon the window had before.
inline HICON SetIcon(HWND window, HICON icon, bool big) {
    return reinterpret_cast<HICON>(::SendMessageA(window, WM_SETICON, big ? ICON_BIG : ICON_SMALL,
                                                  reinterpret_cast<LPARAM>(icon)));
}

// Focus to a dialog's control through the dialog manager, which also moves the default button
// (SetFocus alone would leave it where it was).
inline void NextDlgCtl(HWND dialog, HWND control) {
    ::SendMessageA(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(control), TRUE);
}

// ---- Common controls --------------------------------------------------------------------------

class ControlHandle {
public:
    explicit ControlHandle(HWND hwnd = nullptr) : hwnd_(hwnd) {}
    HWND Get() const { return hwnd_; }
    operator HWND() const { return hwnd_; }

protected:
    LRESULT Send(UINT msg, WPARAM wp = 0, LPARAM lp = 0) const {
        return ::SendMessageA(hwnd_, msg, wp, lp);
    }

private:
    HWND hwnd_;
};

class HeaderCtrl : public ControlHandle {
public:
    using ControlHandle::ControlHandle;
    int GetItemCount() const { return static_cast<int>(Send(HDM_GETITEMCOUNT)); }
    // Fills the fields item.mask asks for.
    bool GetItem(int index, HDITEMA& item) const {
        return Send(HDM_GETITEMA, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item)) != 0;
    }
};

class ListView : public ControlHandle {
public:
    using ControlHandle::ControlHandle;

    HeaderCtrl GetHeader() const { return HeaderCtrl(reinterpret_cast<HWND>(Send(LVM_GETHEADER))); }
    COLORREF GetBkColor() const { return static_cast<COLORREF>(Send(LVM_GETBKCOLOR)); }
    // which: LVSIL_SMALL, LVSIL_STATE, ...
    HIMAGELIST GetImageList(int which) const {
        return reinterpret_cast<HIMAGELIST>(Send(LVM_GETIMAGELIST, static_cast<WPARAM>(which)));
    }

    int InsertColumn(int index, const LVCOLUMNA& column) const {
        return static_cast<int>(
            Send(LVM_INSERTCOLUMNA, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&column)));
    }
    struct Column {
        const char* heading;
        int width;  // pixels at 96 DPI
    };
    // Inserts left-aligned report columns, in order, from index on, each as wide as its width
    // at the list's DPI.
    void InsertColumns(std::initializer_list<Column> columns, int index = 0) const {
        for (const Column& c : columns) {
            LVCOLUMNA column{};
            column.mask = LVCF_FMT | LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
            column.fmt = LVCFMT_LEFT;
            column.cx = ScaleFor(Get(), c.width);
            column.pszText = const_cast<char*>(c.heading);
            column.iSubItem = index;
            InsertColumn(index++, column);
        }
    }
    bool DeleteColumn(int index) const {
        return Send(LVM_DELETECOLUMN, static_cast<WPARAM>(index)) != 0;
    }
    // Fills the fields column.mask asks for.
    bool GetColumn(int index, LVCOLUMNA& column) const {
        return Send(LVM_GETCOLUMNA, static_cast<WPARAM>(index),
                    reinterpret_cast<LPARAM>(&column)) != 0;
    }

    // Returns the new item's index, -1 on failure.
    int InsertItem(const LVITEMA& item) const {
        return static_cast<int>(Send(LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
    }
    bool DeleteAllItems() const { return Send(LVM_DELETEALLITEMS) != 0; }
    // Sets the extended styles in mask to those of styles; returns the ones before.
    DWORD SetExtendedStyle(DWORD mask, DWORD styles) const {
        return static_cast<DWORD>(Send(LVM_SETEXTENDEDLISTVIEWSTYLE, mask, styles));
    }
    // Fills the fields item.mask asks for, of the item item.iItem.
    bool GetItem(LVITEMA& item) const {
        return Send(LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item)) != 0;
    }
    bool SetItemText(int item, int subItem, const char* text) const {
        LVITEMA lvi{};
        lvi.iSubItem = subItem;
        lvi.pszText = const_cast<char*>(text);  // only read
        return Send(LVM_SETITEMTEXTA, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&lvi)) !=
               0;
    }
    // Returns the length copied, at least size - 1 for a text cut to fit: Windows cuts it there and
    // terminates it; Wine 8 fills all size characters unterminated and counts on past them, so
    // keep a terminator after the buffer.
    int GetItemText(int item, int subItem, char* buffer, int size) const {
        LVITEMA lvi{};
        lvi.iSubItem = subItem;
        lvi.pszText = buffer;
        lvi.cchTextMax = size;
        return static_cast<int>(
            Send(LVM_GETITEMTEXTA, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&lvi)));
    }
    UINT GetItemState(int item, UINT mask) const {
        return static_cast<UINT>(Send(LVM_GETITEMSTATE, static_cast<WPARAM>(item), mask));
    }
    // code: LVIR_BOUNDS, LVIR_ICON, LVIR_LABEL. The message takes it in through the rectangle's
    // left edge.
    bool GetItemRect(int item, int code, RECT& rect) const {
        rect = RECT{code, 0, 0, 0};
        return Send(LVM_GETITEMRECT, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&rect)) !=
               0;
    }
    // The next item after start (-1: from the top) with the LVNI_ flags; -1 when none.
    int GetNextItem(int start, UINT flags) const {
        return static_cast<int>(Send(LVM_GETNEXTITEM, static_cast<WPARAM>(start), flags));
    }
    // The item the last selection started from; -1 when none.
    int GetSelectionMark() const { return static_cast<int>(Send(LVM_GETSELECTIONMARK)); }
    // Returns the item under info.pt (client coordinates), -1 when none; info.flags says where.
    int HitTest(LVHITTESTINFO& info) const {
        return static_cast<int>(Send(LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&info)));
    }
};

class Animation : public ControlHandle {
public:
    using ControlHandle::ControlHandle;
    static constexpr int kForever = -1;
    static constexpr WORD kLastFrame = 0xFFFF;

    // A clip of the module that created the control: with no instance given, the control looks
    // in its own.
    bool Open(UINT resourceId) const {
        return Send(ACM_OPENA, 0, reinterpret_cast<LPARAM>(MAKEINTRESOURCEA(resourceId))) != 0;
    }
    // Frames from to to (kLastFrame: the clip's end), repeat times or kForever.
    bool Play(int repeat, WORD from, WORD to) const {
        return Send(ACM_PLAY, static_cast<WPARAM>(repeat), MAKELPARAM(from, to)) != 0;
    }
    bool Stop() const { return Send(ACM_STOP) != 0; }
};

class UpDown : public ControlHandle {
public:
    using ControlHandle::ControlHandle;

    // Returns the previous buddy.
    HWND SetBuddy(HWND buddy) const {
        return reinterpret_cast<HWND>(Send(UDM_SETBUDDY, reinterpret_cast<WPARAM>(buddy)));
    }
    HWND GetBuddy() const { return reinterpret_cast<HWND>(Send(UDM_GETBUDDY)); }
    // 16-bit bounds; the message wants the upper one in the low word.
    void SetRange(int lower, int upper) const { Send(UDM_SETRANGE, 0, MAKELPARAM(upper, lower)); }
    // The 16-bit position, in the low word.
    void SetPos(int pos) const { Send(UDM_SETPOS, 0, MAKELPARAM(pos, 0)); }
    void SetPos32(int pos) const { Send(UDM_SETPOS32, 0, pos); }
};

class Trackbar : public ControlHandle {
public:
    using ControlHandle::ControlHandle;
    int GetPos() const { return static_cast<int>(Send(TBM_GETPOS)); }
    void SetPos(int pos, bool redraw) const { Send(TBM_SETPOS, redraw ? TRUE : FALSE, pos); }
    void SetRangeMin(int min, bool redraw) const {
        Send(TBM_SETRANGEMIN, redraw ? TRUE : FALSE, min);
    }
    void SetRangeMax(int max, bool redraw) const {
        Send(TBM_SETRANGEMAX, redraw ? TRUE : FALSE, max);
    }
    // In the trackbar's client coordinates.
    RECT GetThumbRect() const {
        RECT thumb{};
        Send(TBM_GETTHUMBRECT, 0, reinterpret_cast<LPARAM>(&thumb));
        return thumb;
    }
};

class DateTimePicker : public ControlHandle {
public:
    using ControlHandle::ControlHandle;
    bool SetFormat(const char* format) const {
        return Send(DTM_SETFORMATA, 0, reinterpret_cast<LPARAM>(format)) != 0;
    }
    // GDT_VALID, GDT_NONE (a picker whose box is unchecked) or GDT_ERROR: not a bool.
    DWORD GetSystemTime(SYSTEMTIME& time) const {
        return static_cast<DWORD>(Send(DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&time)));
    }
    bool SetSystemTime(const SYSTEMTIME& time) const {
        return Send(DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&time)) != 0;
    }
};

class Edit : public ControlHandle {
public:
    using ControlHandle::ControlHandle;
    // end -1: to the end of the text.
    void SetSel(int start, int end) const {
        Send(EM_SETSEL, static_cast<WPARAM>(start), static_cast<LPARAM>(end));
    }
    void ScrollCaret() const { Send(EM_SCROLLCARET); }
};

class ToolTip : public ControlHandle {
public:
    using ControlHandle::ControlHandle;
    void Activate(bool on) const { Send(TTM_ACTIVATE, on ? TRUE : FALSE); }
    // Longer tips wrap at word breaks; returns the previous width (-1: none).
    int SetMaxTipWidth(int width) const {
        return static_cast<int>(Send(TTM_SETMAXTIPWIDTH, 0, width));
    }
    int GetToolCount() const { return static_cast<int>(Send(TTM_GETTOOLCOUNT)); }
    // The tool is found again by tool.hwnd and tool.uId.
    bool AddTool(const TOOLINFOA& tool) const {
        return Send(TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool)) != 0;
    }
    void UpdateTipText(const TOOLINFOA& tool) const {
        Send(TTM_UPDATETIPTEXTA, 0, reinterpret_cast<LPARAM>(&tool));
    }
    // The tool (found by tool.hwnd and tool.uId) now covers tool.rect.
    void NewToolRect(const TOOLINFOA& tool) const {
        Send(TTM_NEWTOOLRECTA, 0, reinterpret_cast<LPARAM>(&tool));
    }
    // A mouse message of a tool's window, so the tip sees the pointer come and go.
    void RelayEvent(const MSG& message) const {
        Send(TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&message));
    }
    // The text of the tool at index, in the order they were added; empty when there is none.
    // Enumerating gives no text, so the tool found is asked for it (version 6 takes the size).
    std::string GetToolText(int index) const {
        TOOLINFOA tool{};
        tool.cbSize = sizeof tool;
        if (!Send(TTM_ENUMTOOLSA, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&tool)))
            return {};
        char text[1024] = {};
        tool.lpszText = text;
        Send(TTM_GETTEXTA, sizeof text, reinterpret_cast<LPARAM>(&tool));
        return text;
    }
};

}  // namespace fw
