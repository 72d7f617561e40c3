#pragma once
// Answers the next message box of this process from a helper thread and records what it showed.
// Dialogs already open when the watcher starts are never taken for the box.
#include <algorithm>
#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "framework/win32.h"

namespace test {

class MessageBoxWatcher {
public:
    // button: the command to click (IDOK, IDYES, IDNO, ...).
    explicit MessageBoxWatcher(int button)
        : button_(button), before_(OpenDialogs()), thread_([this] { Run(); }) {}
    ~MessageBoxWatcher() { Finish(); }
    // Stops watching; what was recorded may be read after this.
    void Finish() {
        stop_ = true;
        if (thread_.joinable()) thread_.join();
    }
    bool Seen() const { return seen_; }
    std::string caption, text;
    bool hasIcon = false;

private:
    void Run() {
        const DWORD pid = GetCurrentProcessId();
        for (int i = 0; i < 1000 && !stop_; ++i) {
            HWND box = nullptr;
            while ((box = FindWindowExA(nullptr, box, "#32770", nullptr))) {
                DWORD owner = 0;
                GetWindowThreadProcessId(box, &owner);
                if (owner == pid && IsWindowVisible(box) && GetDlgItem(box, button_) &&
                    std::find(before_.begin(), before_.end(), box) == before_.end())
                    break;
            }
            if (box) {
                Record(box);
                seen_ = true;
                PostMessageA(box, WM_COMMAND, MAKEWPARAM(button_, BN_CLICKED),
                             reinterpret_cast<LPARAM>(GetDlgItem(box, button_)));
                return;
            }
            Sleep(10);
        }
    }
    void Record(HWND box) {
        char buf[1024];
        GetWindowTextA(box, buf, sizeof buf);
        caption = buf;
        for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
            char cls[32];
            GetClassNameA(child, cls, sizeof cls);
            if (lstrcmpiA(cls, "Static") != 0) continue;
            if (GetWindowLongA(child, GWL_STYLE) & SS_ICON) {
                hasIcon = true;
            } else {
                GetWindowTextA(child, buf, sizeof buf);
                if (buf[0]) text = buf;
            }
        }
    }

    static std::vector<HWND> OpenDialogs() {
        std::vector<HWND> open;
        for (HWND w = nullptr; (w = FindWindowExA(nullptr, w, "#32770", nullptr));)
            open.push_back(w);
        return open;
    }

    int button_;
    std::vector<HWND> before_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> seen_{false};
    std::thread thread_;
};

}  // namespace test
