#pragma once
// Drives a running Horolux.exe from another process of the same Wine session: starts it in a
// chosen folder, finds its main window by caption, reads and clicks controls, and ends it.
#include <string>
#include <vector>

#include "framework/win32.h"

namespace driver {

// Horolux.exe of this build, as a Windows path.
std::string BuiltExePath();
// A new empty folder under the temporary folder, ending in a backslash.
std::string MakeTempFolder(const std::string& tag);
// Copies the built Horolux.exe into folder (ending in a backslash); returns the copy's path.
std::string CopyExeInto(const std::string& folder);

// The machine's defaults, which the installer writes and the program reads under the user's.
inline constexpr char kMachineDefaultsKey[] = "Software\\Horolux\\Horolux\\Defaults";
inline constexpr char kPolicyKey[] = "Software\\Policies\\Horolux";
// Clears everything the program keeps: its profile, the machine's defaults and the autostart
// values.
void ResetProgramState();

class Program {
public:
    Program() = default;
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;
    ~Program();  // a program still running is ended (OK action, then forcibly)

    // extraEnvironment: "NAME=value" entries that override this process's environment.
    bool Start(const std::string& exe, const std::string& workingDir,
               const std::vector<std::string>& extraEnvironment = {});
    // Waits until this process shows its initialised main window, captioned "Horolux".
    HWND WaitForMainWindow(DWORD timeoutMs = 10000);
    bool WaitForExit(DWORD timeoutMs, DWORD* exitCode = nullptr);
    bool Running() const;
    // The dialog's OK action: takes the controls and ends the program normally.
    bool EndWithOk(DWORD timeoutMs = 10000);
    DWORD Pid() const { return info_.dwProcessId; }
    HANDLE Handle() const { return info_.hProcess; }
    HWND MainWindow() const { return main_; }

private:
    PROCESS_INFORMATION info_{};
    HWND main_ = nullptr;
};

// The top-level window of process pid with exactly this caption, or null.
HWND FindTopLevel(DWORD pid, const char* caption);
// Window text of a control in another process (WM_GETTEXT with a time-out).
std::string ControlText(HWND dialog, int id);
int CheckState(HWND dialog, int id);
// Clicks a button of a control in another process, as a user's click would end up.
void Click(HWND dialog, int id);
// Sends a command (a tray menu item) to the window and waits until it was handled.
void Command(HWND window, UINT id);

// A list view of another process: the text of one cell, and selecting (and focusing) a row. The
// records these messages carry must lie in that process's memory.
std::string ListCell(HWND list, int row, int column);
bool SelectListRow(HWND list, int row);
// The tip a tooltip window of owner's shows for the tool of this control; empty when none.
std::string ToolTipText(HWND owner, int controlId);

struct MessageBoxSeen {
    bool seen = false;
    std::string caption, text;
    HWND window = nullptr;  // the box; gone soon after it was answered
};
// Waits for a message box of process pid, records it and presses the button with command id.
// Dialogs in exclude (open windows with the same button) are never taken for the box.
MessageBoxSeen AnswerMessageBox(DWORD pid, int button, DWORD timeoutMs = 5000,
                                const std::vector<HWND>& exclude = {});

// Every dialog window ("#32770") of process pid, shown or not yet shown, except those in except.
std::vector<HWND> Dialogs(DWORD pid, const std::vector<HWND>& except = {});

// Has window's thread paint it once more, and waits for that. A thread takes a paint only when it
// is back in a message loop with no posted message and no quit request pending, so this proves
// that the handler it was in has returned and did not ask the program to end. False when the
// window was not painted (or went) within timeoutMs. The window must be shown.
bool WaitForNextPaint(HWND window, DWORD timeoutMs = 5000);

// Polls cond every 20 ms until it holds or timeoutMs passes.
template <class Cond>
bool WaitUntil(Cond cond, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    while (!cond()) {
        if (GetTickCount() - start > timeoutMs) return false;
        Sleep(20);
    }
    return true;
}

}  // namespace driver
