#include "driver.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "test_registry.h"

namespace driver {

std::string BuiltExePath() {
    // The build runs on the Unix side; Wine maps / to drive Z:.
    std::string path = std::string("Z:") + HOROLUX_EXE;
    for (char& c : path)
        if (c == '/') c = '\\';
    return path;
}

std::string MakeTempFolder(const std::string& tag) {
    char base[MAX_PATH];
    GetTempPathA(MAX_PATH, base);
    static int counter = 0;
    std::string dir = std::string(base) + "hlx_" + tag + "_" +
                      std::to_string(GetCurrentProcessId()) + "_" + std::to_string(++counter) +
                      "\\";
    CreateDirectoryA(dir.c_str(), nullptr);
    return dir;
}

std::string CopyExeInto(const std::string& folder) {
    const std::string target = folder + "Horolux.exe";
    CopyFileA(BuiltExePath().c_str(), target.c_str(), FALSE);
    return target;
}

void ResetProgramState() {
    test::DeleteTree(HKEY_CURRENT_USER, "Software\\Horolux");
    test::DeleteTree(HKEY_LOCAL_MACHINE, kMachineDefaultsKey);
    test::DeleteTree(HKEY_LOCAL_MACHINE, kPolicyKey);
    for (HKEY hive : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
        HKEY key = nullptr;
        if (RegOpenKeyExA(hive, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run", 0, KEY_WRITE,
                          &key) == ERROR_SUCCESS) {
            RegDeleteValueA(key, "Horolux");
            RegCloseKey(key);
        }
    }
}

Program::~Program() {
    if (!info_.hProcess) return;
    if (Running() && !EndWithOk(5000)) {
        TerminateProcess(info_.hProcess, 99);
        WaitForSingleObject(info_.hProcess, 5000);
    }
    CloseHandle(info_.hThread);
    CloseHandle(info_.hProcess);
}

namespace {
// This process's environment with some variables replaced, as a block for CreateProcess.
std::vector<char> EnvironmentWith(const std::vector<std::string>& overrides) {
    std::vector<std::string> entries;
    char* block = GetEnvironmentStringsA();
    for (const char* p = block; *p; p += std::strlen(p) + 1) entries.emplace_back(p);
    FreeEnvironmentStringsA(block);
    for (const std::string& o : overrides) {
        const std::string name = o.substr(0, o.find('=') + 1);
        std::erase_if(entries, [&](const std::string& e) {
            return _strnicmp(e.c_str(), name.c_str(), name.size()) == 0;
        });
        entries.push_back(o);
    }
    std::vector<char> out;
    for (const std::string& e : entries) out.insert(out.end(), e.c_str(), e.c_str() + e.size() + 1);
    out.push_back('\0');
    return out;
}
}  // namespace

bool Program::Start(const std::string& exe, const std::string& workingDir,
                    const std::vector<std::string>& extraEnvironment) {
    STARTUPINFOA si{};
    si.cb = sizeof si;
    std::string commandLine = "\"" + exe + "\"";
    std::vector<char> environment = EnvironmentWith(extraEnvironment);
    return CreateProcessA(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0,
                          environment.data(), workingDir.c_str(), &si, &info_) != FALSE;
}

bool Program::Running() const {
    return info_.hProcess && WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT;
}

HWND FindTopLevel(DWORD pid, const char* caption) {
    HWND hwnd = nullptr;
    while ((hwnd = FindWindowExA(nullptr, hwnd, nullptr, caption))) {
        DWORD owner = 0;
        GetWindowThreadProcessId(hwnd, &owner);
        if (owner == pid) return hwnd;
    }
    return nullptr;
}

HWND Program::WaitForMainWindow(DWORD timeoutMs) {
    // The dialog exists before its controls and settings are in; it is shown only after its
    // initialisation, and stays shown for at least 300 ms.
    WaitUntil(
        [&] {
            main_ = FindTopLevel(Pid(), "Horolux");
            return (main_ && IsWindowVisible(main_)) || !Running();
        },
        timeoutMs);
    return main_ && IsWindowVisible(main_) ? main_ : nullptr;
}

bool Program::WaitForExit(DWORD timeoutMs, DWORD* exitCode) {
    if (!info_.hProcess || WaitForSingleObject(info_.hProcess, timeoutMs) != WAIT_OBJECT_0)
        return false;
    if (exitCode) GetExitCodeProcess(info_.hProcess, exitCode);
    return true;
}

bool Program::EndWithOk(DWORD timeoutMs) {
    HWND hwnd = main_ ? main_ : FindTopLevel(Pid(), "Horolux");
    if (hwnd) PostMessageA(hwnd, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    return WaitForExit(timeoutMs);
}

std::string ControlText(HWND dialog, int id) {
    HWND control = GetDlgItem(dialog, id);
    if (!control) return "<no control>";
    std::vector<char> buf(2048, '\0');
    DWORD_PTR copied = 0;
    if (!SendMessageTimeoutA(control, WM_GETTEXT, buf.size(), reinterpret_cast<LPARAM>(buf.data()),
                             SMTO_ABORTIFHUNG, 5000, &copied))
        return "<no answer>";
    return std::string(buf.data(), copied);
}

int CheckState(HWND dialog, int id) {
    DWORD_PTR state = 0;
    SendMessageTimeoutA(GetDlgItem(dialog, id), BM_GETCHECK, 0, 0, SMTO_ABORTIFHUNG, 5000, &state);
    return static_cast<int>(state);
}

void Click(HWND dialog, int id) {
    // Posted, not sent: a click may open a modal box that a plain send would wait on.
    PostMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0);
}

void Command(HWND window, UINT id) {
    PostMessageA(window, WM_COMMAND, id, 0);
}

namespace {

// One page in another process for a list-view record and its text, freed on leaving.
class RemotePage {
public:
    explicit RemotePage(HWND window) {
        DWORD pid = 0;
        GetWindowThreadProcessId(window, &pid);
        process_ =
            OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
        if (process_)
            base_ = static_cast<char*>(
                VirtualAllocEx(process_, nullptr, kSize, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
    }
    ~RemotePage() {
        if (base_) VirtualFreeEx(process_, base_, 0, MEM_RELEASE);
        if (process_) CloseHandle(process_);
    }
    RemotePage(const RemotePage&) = delete;
    RemotePage& operator=(const RemotePage&) = delete;

    static constexpr SIZE_T kSize = 4096, kTextAt = 512;
    explicit operator bool() const { return base_ != nullptr; }
    char* Text() const { return base_ + kTextAt; }
    template <class Record>
    bool Put(const Record& record) const {
        return WriteProcessMemory(process_, base_, &record, sizeof record, nullptr) != FALSE;
    }
    std::string GetText() const {
        std::vector<char> text(kSize - kTextAt, '\0');
        ReadProcessMemory(process_, Text(), text.data(), text.size() - 1, nullptr);
        return text.data();
    }
    LPARAM Item() const { return reinterpret_cast<LPARAM>(base_); }

private:
    HANDLE process_ = nullptr;
    char* base_ = nullptr;
};

}  // namespace

std::string ListCell(HWND list, int row, int column) {
    RemotePage page(list);
    if (!page) return "<no remote memory>";
    LVITEMA item{};
    item.iSubItem = column;
    item.pszText = page.Text();
    item.cchTextMax = static_cast<int>(RemotePage::kSize - RemotePage::kTextAt);
    if (!page.Put(item)) return "<no remote memory>";
    DWORD_PTR ignored = 0;
    if (!SendMessageTimeoutA(list, LVM_GETITEMTEXTA, static_cast<WPARAM>(row), page.Item(),
                             SMTO_ABORTIFHUNG, 5000, &ignored))
        return "<no answer>";
    return page.GetText();
}

bool SelectListRow(HWND list, int row) {
    RemotePage page(list);
    LVITEMA item{};
    item.stateMask = item.state = LVIS_SELECTED | LVIS_FOCUSED;
    if (!page || !page.Put(item)) return false;
    DWORD_PTR done = 0;
    return SendMessageTimeoutA(list, LVM_SETITEMSTATE, static_cast<WPARAM>(row), page.Item(),
                               SMTO_ABORTIFHUNG, 5000, &done) &&
           done &&
           SendMessageTimeoutA(list, LVM_SETSELECTIONMARK, 0, row, SMTO_ABORTIFHUNG, 5000, &done);
}

std::string ToolTipText(HWND owner, int controlId) {
    for (HWND tips = nullptr; (tips = FindWindowExA(nullptr, tips, TOOLTIPS_CLASSA, nullptr));) {
        if (GetWindow(tips, GW_OWNER) != owner) continue;
        RemotePage page(tips);
        TOOLINFOA tool{};
        tool.cbSize = sizeof tool;
        tool.hwnd = owner;
        tool.uId = static_cast<UINT_PTR>(controlId);
        tool.lpszText = page.Text();
        if (!page || !page.Put(tool)) return "<no remote memory>";
        DWORD_PTR ignored = 0;
        if (!SendMessageTimeoutA(tips, TTM_GETTEXTA, RemotePage::kSize - RemotePage::kTextAt,
                                 page.Item(), SMTO_ABORTIFHUNG, 5000, &ignored))
            return "<no answer>";
        const std::string text = page.GetText();
        if (!text.empty()) return text;
    }
    return "";
}

MessageBoxSeen AnswerMessageBox(DWORD pid, int button, DWORD timeoutMs,
                                const std::vector<HWND>& exclude) {
    MessageBoxSeen seen;
    HWND box = nullptr;
    WaitUntil(
        [&] {
            box = nullptr;
            while ((box = FindWindowExA(nullptr, box, "#32770", nullptr))) {
                DWORD owner = 0;
                GetWindowThreadProcessId(box, &owner);
                if (owner == pid && IsWindowVisible(box) && GetDlgItem(box, button) &&
                    std::find(exclude.begin(), exclude.end(), box) == exclude.end())
                    return true;
            }
            return false;
        },
        timeoutMs);
    if (!box) return seen;
    seen.seen = true;
    seen.window = box;
    char buf[1024] = {};
    DWORD_PTR copied = 0;
    SendMessageTimeoutA(box, WM_GETTEXT, sizeof buf, reinterpret_cast<LPARAM>(buf),
                        SMTO_ABORTIFHUNG, 5000, &copied);
    seen.caption = buf;
    for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        char cls[32] = {};
        GetClassNameA(child, cls, sizeof cls);
        if (lstrcmpiA(cls, "Static") != 0 || (GetWindowLongA(child, GWL_STYLE) & SS_ICON)) continue;
        buf[0] = '\0';
        SendMessageTimeoutA(child, WM_GETTEXT, sizeof buf, reinterpret_cast<LPARAM>(buf),
                            SMTO_ABORTIFHUNG, 5000, &copied);
        if (buf[0]) seen.text = buf;
    }
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(box, button)));
    return seen;
}

std::vector<HWND> Dialogs(DWORD pid, const std::vector<HWND>& except) {
    std::vector<HWND> found;
    for (HWND w = nullptr; (w = FindWindowExA(nullptr, w, "#32770", nullptr));) {
        DWORD owner = 0;
        GetWindowThreadProcessId(w, &owner);
        if (owner == pid && std::find(except.begin(), except.end(), w) == except.end())
            found.push_back(w);
    }
    return found;
}

bool WaitForNextPaint(HWND window, DWORD timeoutMs) {
    // A round trip first, so a handler still finishing cannot validate the window by a redraw
    // of its own: a sent message is taken only where the thread looks for messages again.
    DWORD_PTR ignored = 0;
    if (!SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, timeoutMs, &ignored))
        return false;
    if (!IsWindowVisible(window) || !InvalidateRect(window, nullptr, FALSE)) return false;
    return WaitUntil([&] { return !IsWindow(window) || !GetUpdateRect(window, nullptr, FALSE); },
                     timeoutMs) &&
           IsWindow(window);
}

}  // namespace driver
