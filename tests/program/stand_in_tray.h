#pragma once
// A notification area of the test's own: Wine's shell hands each icon request to the top
// "Shell_TrayWnd" window as WM_COPYDATA, so a topmost window of that class made by the test sees
// the program's requests first. Its thread must pump messages (Pump) for the requests to arrive.
#include <windows.h>

#include <string>
#include <vector>

namespace driver {

class StandInTray {
public:
    struct Request {
        DWORD action;  // NIM_ADD, NIM_MODIFY, ...
        std::vector<BYTE> data;
    };

    StandInTray() {
        WNDCLASSA wc{};
        wc.lpfnWndProc = &StandInTray::Proc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "Shell_TrayWnd";
        RegisterClassA(&wc);
        window_ = CreateWindowExA(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, "Shell_TrayWnd", "", WS_POPUP,
                                  0, 0, 0, 0, nullptr, nullptr, wc.hInstance, nullptr);
        SetWindowLongPtrA(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
    ~StandInTray() {
        DestroyWindow(window_);
        UnregisterClassA("Shell_TrayWnd", GetModuleHandleA(nullptr));
    }
    StandInTray(const StandInTray&) = delete;
    StandInTray& operator=(const StandInTray&) = delete;

    // Takes the program's requests until one satisfies cond or timeoutMs passes.
    template <class Cond>
    bool Pump(Cond cond, DWORD timeoutMs) {
        const DWORD start = GetTickCount();
        for (;;) {
            for (const Request& r : requests_)
                if (cond(r)) return true;
            if (GetTickCount() - start > timeoutMs) return false;
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
            MSG msg;
            while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
        }
    }

private:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
        auto* self = reinterpret_cast<StandInTray*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
        if (msg == WM_COPYDATA && self) {
            const auto* copy = reinterpret_cast<const COPYDATASTRUCT*>(lp);
            const auto* bytes = static_cast<const BYTE*>(copy->lpData);
            self->requests_.push_back(
                {static_cast<DWORD>(copy->dwData), std::vector<BYTE>(bytes, bytes + copy->cbData)});
            return TRUE;
        }
        return DefWindowProcA(hwnd, msg, wp, lp);
    }

    HWND window_ = nullptr;
    std::vector<Request> requests_;
};

}  // namespace driver
