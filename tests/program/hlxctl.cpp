// hlxctl: drives a running Horolux from a shell, for benchmarks and for looking at it by hand.
//   hlxctl show | click ID | command ID | syscommand ID | text ID | check ID | timer ID |
//          wait-text ID TEXT [MS] | rect [ID]
// Prints what it read; exits 1 when the window or the awaited text is not there. HLXCTL_WINDOW
// set to a caption drives that window of the program instead of the main one. rect prints the
// window's place on the screen as WIDTHxHEIGHT+X+Y (a crop for ImageMagick); with an ID, that of
// the program's shown window holding a control of that ID (the floating clock has no caption).
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "driver.h"

namespace {

HWND MainWindow() {
    HWND hwnd = nullptr;
    while ((hwnd = FindWindowExA(nullptr, hwnd, nullptr, "Horolux"))) {
        char cls[32] = {};
        GetClassNameA(hwnd, cls, sizeof cls);
        if (std::strcmp(cls, "#32770") == 0 && GetDlgItem(hwnd, 1004))
            return hwnd;  // has a status line
    }
    return nullptr;
}

// The shown top-level dialog of the process of window that holds a control of this ID.
HWND WindowWithControl(HWND window, int id) {
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    for (HWND w = nullptr; (w = FindWindowExA(nullptr, w, "#32770", nullptr));) {
        DWORD owner = 0;
        GetWindowThreadProcessId(w, &owner);
        if (owner == pid && IsWindowVisible(w) && GetDlgItem(w, id)) return w;
    }
    return nullptr;
}

int Usage() {
    std::fprintf(stderr,
                 "usage: hlxctl show|click ID|command ID|syscommand ID|text ID|check ID|timer "
                 "ID|wait-text ID "
                 "TEXT [MS]|rect [ID]\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return Usage();
    const std::string verb = argv[1];
    HWND main = MainWindow();
    if (!main) {
        std::fprintf(stderr, "hlxctl: Horolux is not running\n");
        return 1;
    }
    // HLXCTL_WINDOW names another of the program's windows by its caption: a dialog it opened.
    if (const char* caption = std::getenv("HLXCTL_WINDOW")) main = FindWindowA(nullptr, caption);
    if (!main) {
        std::fprintf(stderr, "hlxctl: no such window\n");
        return 1;
    }
    const int id = argc > 2 ? std::atoi(argv[2]) : 0;
    if (verb == "show") {
        driver::Command(main, 32772);
    } else if (verb == "click" && argc > 2) {
        driver::Click(main, id);
    } else if (verb == "command" && argc > 2) {
        driver::Command(main, static_cast<UINT>(id));
    } else if (verb == "text" && argc > 2) {
        std::printf("%s\n", driver::ControlText(main, id).c_str());
    } else if (verb == "check" && argc > 2) {
        std::printf("%d\n", driver::CheckState(main, id));
    } else if (verb == "syscommand" && argc > 2) {
        PostMessageA(main, WM_SYSCOMMAND, static_cast<WPARAM>(id), 0);
    } else if (verb == "timer" && argc > 2) {
        PostMessageA(main, WM_TIMER, static_cast<WPARAM>(id), 0);
    } else if (verb == "wait-text" && argc > 3) {
        const DWORD timeout = argc > 4 ? static_cast<DWORD>(std::atoi(argv[4])) : 10000;
        if (!driver::WaitUntil([&] { return driver::ControlText(main, id) == argv[3]; }, timeout)) {
            std::printf("%s\n", driver::ControlText(main, id).c_str());
            return 1;
        }
    } else if (verb == "rect") {
        HWND target = argc > 2 ? WindowWithControl(main, id) : main;
        RECT r{};
        if (!target || !GetWindowRect(target, &r)) return 1;
        std::printf("%ldx%ld+%ld+%ld\n", r.right - r.left, r.bottom - r.top, r.left, r.top);
    } else {
        return Usage();
    }
    return 0;
}
