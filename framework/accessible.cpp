#include "framework/accessible.h"

#include <oleacc.h>

#include <atomic>
#include <memory>
#include <utility>

#include "framework/data_exchange.h"
#include "framework/wnd.h"
#include "platform/text.h"

namespace fw {

namespace {

bool IsSelf(const VARIANT& child) {
    return child.vt == VT_I4 && child.lVal == CHILDID_SELF;
}

// An empty text is no text: S_FALSE and no string, as the proxies answer.
HRESULT ToBstr(const std::string& text, BSTR* out) {
    if (text.empty()) return S_FALSE;
    const std::wstring wide = platform::WideFromAnsi(text);
    *out = SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
    return *out ? S_OK : E_OUTOFMEMORY;
}

struct ComRelease {
    void operator()(IUnknown* object) const { object->Release(); }
};
using ProxyRef = std::unique_ptr<IAccessible, ComRelease>;
using ChildrenRef = std::unique_ptr<IEnumVARIANT, ComRelease>;

}  // namespace

// The client area's object: our facts for CHILDID_SELF over the standard proxy's answers. The
// children are enumerated by the proxy's enumerator, as AccessibleChildren asks for one.
class AccessibleObject final : public IAccessible, public IOleWindow, public IEnumVARIANT {
public:
    // Takes over the caller's reference of proxy.
    AccessibleObject(HWND hwnd, IAccessible* proxy, AccessibleSource& source)
        : m_hwnd(hwnd), m_proxy(proxy), m_source(&source) {
        void* children = nullptr;
        if (SUCCEEDED(proxy->QueryInterface(IID_IEnumVARIANT, &children)))
            m_children.reset(static_cast<IEnumVARIANT*>(children));
    }
    AccessibleObject(const AccessibleObject&) = delete;
    AccessibleObject& operator=(const AccessibleObject&) = delete;

    // The window is going: no question reaches it or its C++ object again.
    void Disconnect() {
        m_source = nullptr;
        m_hwnd = nullptr;
        m_children.reset();
        m_proxy.reset();
    }

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        if (iid == IID_IUnknown || iid == IID_IDispatch || iid == IID_IAccessible) {
            *out = static_cast<IAccessible*>(this);
        } else if (iid == IID_IOleWindow) {
            *out = static_cast<IOleWindow*>(this);  // WindowFromAccessibleObject asks this
        } else if (iid == IID_IEnumVARIANT && m_children) {
            *out = static_cast<IEnumVARIANT*>(this);
        } else {
            *out = nullptr;
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++m_refs; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG refs = --m_refs;
        if (refs == 0) delete this;
        return refs;
    }

    // IOleWindow
    HRESULT STDMETHODCALLTYPE GetWindow(HWND* hwnd) override {
        if (!hwnd) return E_POINTER;
        *hwnd = m_hwnd;
        return m_hwnd ? S_OK : RPC_E_DISCONNECTED;
    }
    HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }

    // IEnumVARIANT
    HRESULT STDMETHODCALLTYPE Next(ULONG count, VARIANT* children, ULONG* fetched) override {
        return m_children ? m_children->Next(count, children, fetched) : RPC_E_DISCONNECTED;
    }
    HRESULT STDMETHODCALLTYPE Skip(ULONG count) override {
        return m_children ? m_children->Skip(count) : RPC_E_DISCONNECTED;
    }
    HRESULT STDMETHODCALLTYPE Reset() override {
        return m_children ? m_children->Reset() : RPC_E_DISCONNECTED;
    }
    HRESULT STDMETHODCALLTYPE Clone(IEnumVARIANT** copy) override {
        if (!copy) return E_POINTER;
        *copy = nullptr;
        return m_children ? m_children->Clone(copy) : RPC_E_DISCONNECTED;
    }

    // IDispatch: readers use the interface's own methods.
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        if (!count) return E_POINTER;
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                                     UINT*) override {
        return E_NOTIMPL;
    }

    // IAccessible: what the window says of itself
    HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override {
        return Text(child, name, &AccessibleFacts::name, &IAccessible::get_accName);
    }
    HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* value) override {
        return Text(child, value, &AccessibleFacts::value, &IAccessible::get_accValue);
    }
    HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* description) override {
        return Text(child, description, &AccessibleFacts::description,
                    &IAccessible::get_accDescription);
    }
    HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* shortcut) override {
        return Text(child, shortcut, &AccessibleFacts::shortcut,
                    &IAccessible::get_accKeyboardShortcut);
    }
    HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* action) override {
        return Text(child, action, &AccessibleFacts::defaultAction,
                    &IAccessible::get_accDefaultAction);
    }
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override {
        if (!role) return E_POINTER;
        VariantInit(role);
        if (!m_source) return RPC_E_DISCONNECTED;
        if (IsSelf(child)) {
            if (const std::optional<LONG> ours = m_source->Describe().role) {
                role->vt = VT_I4;
                role->lVal = *ours;
                return S_OK;
            }
        }
        return Forward(&IAccessible::get_accRole, child, role);
    }
    HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override {
        if (!state) return E_POINTER;
        VariantInit(state);
        const HRESULT hr = Forward(&IAccessible::get_accState, child, state);
        if (!IsSelf(child) || !m_source) return hr;
        const LONG theirs = SUCCEEDED(hr) && state->vt == VT_I4 ? state->lVal : 0;
        VariantClear(state);
        state->vt = VT_I4;
        state->lVal = theirs | m_source->Describe().states;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override {
        if (!m_source) return RPC_E_DISCONNECTED;
        if (IsSelf(child) && m_source->DoDefaultAction()) return S_OK;
        return Forward(&IAccessible::accDoDefaultAction, child);
    }

    // IAccessible: the window's place among the others, the proxy's
    HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override {
        return Forward(&IAccessible::get_accParent, parent);
    }
    HRESULT STDMETHODCALLTYPE get_accChildCount(LONG* count) override {
        return Forward(&IAccessible::get_accChildCount, count);
    }
    HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** object) override {
        return Forward(&IAccessible::get_accChild, child, object);
    }
    HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT child, BSTR* help) override {
        return Forward(&IAccessible::get_accHelp, child, help);
    }
    HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT child, LONG* topic) override {
        return Forward(&IAccessible::get_accHelpTopic, file, child, topic);
    }
    HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* focus) override {
        return Forward(&IAccessible::get_accFocus, focus);
    }
    HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* selection) override {
        return Forward(&IAccessible::get_accSelection, selection);
    }
    HRESULT STDMETHODCALLTYPE accSelect(LONG flags, VARIANT child) override {
        return Forward(&IAccessible::accSelect, flags, child);
    }
    HRESULT STDMETHODCALLTYPE accLocation(LONG* left, LONG* top, LONG* width, LONG* height,
                                          VARIANT child) override {
        return Forward(&IAccessible::accLocation, left, top, width, height, child);
    }
    HRESULT STDMETHODCALLTYPE accNavigate(LONG direction, VARIANT start, VARIANT* end) override {
        return Forward(&IAccessible::accNavigate, direction, start, end);
    }
    HRESULT STDMETHODCALLTYPE accHitTest(LONG x, LONG y, VARIANT* child) override {
        return Forward(&IAccessible::accHitTest, x, y, child);
    }
    HRESULT STDMETHODCALLTYPE put_accName(VARIANT child, BSTR name) override {
        return Forward(&IAccessible::put_accName, child, name);
    }
    HRESULT STDMETHODCALLTYPE put_accValue(VARIANT child, BSTR value) override {
        return Forward(&IAccessible::put_accValue, child, value);
    }

private:
    ~AccessibleObject() = default;

    // The proxy's answer; the proxy held through the call, in case the call lets the window go.
    template <class... Params, class... Args>
    HRESULT Forward(HRESULT (STDMETHODCALLTYPE IAccessible::*call)(Params...), Args... args) {
        if (!m_proxy) return RPC_E_DISCONNECTED;
        m_proxy->AddRef();
        const ProxyRef proxy(m_proxy.get());
        return (proxy.get()->*call)(args...);
    }

    HRESULT Text(VARIANT child, BSTR* out, std::optional<std::string> AccessibleFacts::*fact,
                 HRESULT (STDMETHODCALLTYPE IAccessible::*proxyCall)(VARIANT, BSTR*)) {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (!m_source) return RPC_E_DISCONNECTED;
        if (IsSelf(child)) {
            const AccessibleFacts facts = m_source->Describe();
            if (const std::optional<std::string>& text = facts.*fact) return ToBstr(*text, out);
        }
        return Forward(proxyCall, child, out);
    }

    std::atomic<ULONG> m_refs{1};
    HWND m_hwnd;
    ProxyRef m_proxy;
    ChildrenRef m_children;
    AccessibleSource* m_source;
};

// ---- AccessibleServer -------------------------------------------------------------------------

LRESULT AccessibleServer::Answer(HWND hwnd, WPARAM wp, LPARAM lp) {
    if (static_cast<LONG>(lp) != OBJID_CLIENT || !hwnd) return 0;
    if (m_hwnd != hwnd) Disconnect();  // the object's window was made anew
    if (!m_object) {
        IAccessible* proxy = nullptr;
        if (FAILED(CreateStdAccessibleObject(hwnd, OBJID_CLIENT, IID_IAccessible,
                                             reinterpret_cast<void**>(&proxy))))
            return 0;
        if (!SetWindowSubclass(hwnd, &WatchDestroy, reinterpret_cast<UINT_PTR>(this),
                               reinterpret_cast<DWORD_PTR>(this))) {
            proxy->Release();
            return 0;
        }
        m_object = new AccessibleObject(hwnd, proxy, m_source);
        m_hwnd = hwnd;
    }
    const LRESULT object =
        LresultFromObject(IID_IAccessible, wp, static_cast<IAccessible*>(m_object));
    return object > 0 ? object : 0;
}

void AccessibleServer::Disconnect() {
    if (!m_object) return;
    RemoveWindowSubclass(m_hwnd, &WatchDestroy, reinterpret_cast<UINT_PTR>(this));
    AccessibleObject* object = std::exchange(m_object, nullptr);
    m_hwnd = nullptr;
    object->Disconnect();
    // Readers in other processes let go of it too; in this one they hold it until they release.
    CoDisconnectObject(static_cast<IAccessible*>(object), 0);
    object->Release();
}

LRESULT CALLBACK AccessibleServer::WatchDestroy(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR,
                                                DWORD_PTR data) {
    if (msg == WM_DESTROY || msg == WM_NCDESTROY)
        reinterpret_cast<AccessibleServer*>(data)->Disconnect();
    return DefSubclassProc(hwnd, msg, wp, lp);
}

// ---- Names of standard controls ---------------------------------------------------------------

namespace {

// A control's name, and the value the proxies leave out: the text a static or a date picker
// shows, a slider's position.
class NamedControl final : public AccessibleSource {
public:
    NamedControl(HWND control, std::string name)
        : m_control(control), m_name(std::move(name)), m_shows(ShownBy(control)) {}

    AccessibleFacts Describe() const override {
        AccessibleFacts facts;
        facts.name = m_name;
        if (m_shows == Shows::kText)
            facts.value = GetWindowTextString(m_control);
        else if (m_shows == Shows::kPosition)
            facts.value = std::to_string(::SendMessageA(m_control, TBM_GETPOS, 0, 0));
        return facts;
    }

    void Rename(const char* name) { m_name = name; }
    AccessibleServer& Server() { return m_server; }

private:
    enum class Shows { kOwnValue, kText, kPosition };
    static Shows ShownBy(HWND control) {
        if (IsWindowClass(control, WC_STATICA) || IsWindowClass(control, DATETIMEPICK_CLASSA))
            return Shows::kText;
        return IsWindowClass(control, TRACKBAR_CLASSA) ? Shows::kPosition : Shows::kOwnValue;
    }

    HWND m_control;
    std::string m_name;
    Shows m_shows;
    AccessibleServer m_server{*this};
};

constexpr UINT_PTR kNameHook = 1;
constexpr char kNameProp[] = "Horolux.AccessibleName";  // finds the name to change it

LRESULT CALLBACK AnswerWithName(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR,
                                DWORD_PTR data) {
    auto* named = reinterpret_cast<NamedControl*>(data);
    if (msg == WM_GETOBJECT)
        return named->Server().Answer(hwnd, wp, lp,
                                      [&] { return DefSubclassProc(hwnd, msg, wp, lp); });
    if (msg == WM_NCDESTROY) {
        RemoveWindowSubclass(hwnd, &AnswerWithName, kNameHook);
        RemovePropA(hwnd, kNameProp);
        delete named;
    }
    return DefSubclassProc(hwnd, msg, wp, lp);
}

}  // namespace

void SetAccessibleName(HWND control, const char* name) {
    if (!control || !name) return;
    if (auto* named = static_cast<NamedControl*>(GetPropA(control, kNameProp))) {
        named->Rename(name);
        return;
    }
    auto named = std::make_unique<NamedControl>(control, name);
    if (!SetPropA(control, kNameProp, named.get())) return;
    if (SetWindowSubclass(control, &AnswerWithName, kNameHook,
                          reinterpret_cast<DWORD_PTR>(named.get())))
        named.release();  // freed with the control (WM_NCDESTROY)
    else
        RemovePropA(control, kNameProp);
}

void SetAccessibleNames(HWND dialog, std::span<const ControlName> names) {
    for (const ControlName& n : names) SetAccessibleName(GetDlgItem(dialog, n.id), n.name);
}

}  // namespace fw
