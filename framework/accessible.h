#pragma once
// Microsoft Active Accessibility for the program's windows. A window of ours tells a screen
// reader what it is (name, role, value, states, its default action) through AccessibleSource;
// an AccessibleServer answers WM_GETOBJECT for its client area with an IAccessible that gives
// those answers and leaves the rest (place, parent, children, focus, hit test) to the standard
// proxy of the window. A standard control that no label names gets a name by SetAccessibleName.
#include <optional>
#include <span>
#include <string>

#include "framework/win32.h"

namespace fw {

// What a window says of itself; each answer left empty is the standard proxy's.
struct AccessibleFacts {
    std::optional<std::string> name, description, value, shortcut, defaultAction;
    std::optional<LONG> role;
    LONG states = 0;  // added to the proxy's (which knows focus, visibility, enabling)
};

class AccessibleSource {
public:
    // Asked anew at each question, so the answer is what the window shows at that moment.
    virtual AccessibleFacts Describe() const = 0;
    // The default action as the user would do it; false when the window has none of its own.
    virtual bool DoDefaultAction() { return false; }

protected:
    ~AccessibleSource() = default;
};

class AccessibleObject;

// Owns one window's accessible object. A reader may hold the object after the window (or its
// C++ object) is gone: it is cut loose then and answers RPC_E_DISCONNECTED.
class AccessibleServer {
public:
    explicit AccessibleServer(AccessibleSource& source) : m_source(source) {}
    ~AccessibleServer() { Disconnect(); }
    AccessibleServer(const AccessibleServer&) = delete;
    AccessibleServer& operator=(const AccessibleServer&) = delete;

    // WM_GETOBJECT: the client area's object; otherwise() for any other object, or when none
    // can be made (the standard proxy then answers).
    template <class Otherwise>
    LRESULT Answer(HWND hwnd, WPARAM wp, LPARAM lp, Otherwise otherwise) {
        const LRESULT object = Answer(hwnd, wp, lp);
        return object > 0 ? object : otherwise();
    }
    LRESULT Answer(HWND hwnd, WPARAM wp, LPARAM lp);
    void Disconnect();

private:
    static LRESULT CALLBACK WatchDestroy(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id,
                                         DWORD_PTR data);

    AccessibleSource& m_source;
    AccessibleObject* m_object = nullptr;  // one reference of ours
    HWND m_hwnd = nullptr;
};

// Names a standard control for readers where no label before it does; a static that shows a
// value keeps its text as the value. Lives as long as the control. Call it before a CWnd takes
// the control over, so that the CWnd, unhooking itself, leaves the name's hook in place.
void SetAccessibleName(HWND control, const char* name);

struct ControlName {
    int id;
    const char* name;
};
// SetAccessibleName for each control of a dialog that the table names.
void SetAccessibleNames(HWND dialog, std::span<const ControlName> names);

// Tells readers the window's client object changed its name.
inline void NotifyNameChange(HWND hwnd) {
    NotifyWinEvent(EVENT_OBJECT_NAMECHANGE, hwnd, OBJID_CLIENT, CHILDID_SELF);
}

}  // namespace fw
