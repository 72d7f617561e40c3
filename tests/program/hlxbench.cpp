// hlxbench: runs N syncs of one running Horolux against the loopback time server and reports
// how long each took from the button press to " PC clock changed successfully ", and what the
// process holds (handles, GDI objects, private bytes) before and after.
//   hlxbench [N]     (script/bench sets up the Wine session and the server)
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "driver.h"
#include "resource.h"
// clang-format off
#include <psapi.h>     // after <windows.h>, which driver.h brings
#include <winternl.h>
// clang-format on

namespace {

constexpr char kSuccess[] = " PC clock changed successfully ";

// The program's GDI objects, read from the GDI handle table its process block points at
// (GetGuiResources is a stub under Wine).
int RemoteGdiObjects(HANDLE process, DWORD pid) {
    PROCESS_BASIC_INFORMATION info{};
    if (NtQueryInformationProcess(process, ProcessBasicInformation, &info, sizeof info, nullptr) !=
        0)
        return -1;
    const auto* peb = reinterpret_cast<const BYTE*>(info.PebBaseAddress);
    ULONG_PTR table = 0;
    if (!ReadProcessMemory(process, peb + 0xF8, &table, sizeof table, nullptr) || !table) return -1;
    std::vector<BYTE> entries(0x10000 * 24);
    SIZE_T read = 0;
    ReadProcessMemory(process, reinterpret_cast<const void*>(table), entries.data(), entries.size(),
                      &read);
    int count = 0;
    for (SIZE_T i = 0; i + 24 <= read; i += 24) {
        WORD owner = 0;
        std::memcpy(&owner, &entries[i + 8], sizeof owner);
        if (entries[i + 14] != 0 && (owner == 0 || owner == static_cast<WORD>(pid))) ++count;
    }
    return count;
}

// Kernel handles of the process, from the system's handle list (GetProcessHandleCount gives 0
// under Wine).
long RemoteHandles(DWORD pid) {
    struct Entry {
        PVOID object;
        ULONG_PTR pid, handle;
        ULONG access;
        USHORT creatorBackTrace, type;
        ULONG attributes, reserved;
    };
    struct List {
        ULONG_PTR count, reserved;
        Entry entries[1];
    };
    constexpr auto kSystemExtendedHandleInformation = static_cast<SYSTEM_INFORMATION_CLASS>(64);
    std::vector<BYTE> buffer(1 << 20);
    ULONG needed = 0;
    NTSTATUS status;
    while ((status = NtQuerySystemInformation(kSystemExtendedHandleInformation, buffer.data(),
                                              static_cast<ULONG>(buffer.size()), &needed)) ==
           static_cast<NTSTATUS>(0xC0000004L))  // too small
        buffer.resize(buffer.size() * 2);
    if (status != 0) return -1;
    const auto* list = reinterpret_cast<const List*>(buffer.data());
    long count = 0;
    for (ULONG_PTR i = 0; i < list->count; ++i) count += list->entries[i].pid == pid;
    return count;
}

SIZE_T PrivateBytes(HANDLE process) {
    PROCESS_MEMORY_COUNTERS_EX counters{};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                         sizeof counters);
    // PrivateUsage reads 0 under Wine; the commit charge is the same figure on Windows.
    return counters.PrivateUsage ? counters.PrivateUsage : counters.PagefileUsage;
}

void Report(const char* when, const driver::Program& p) {
    std::printf("%-7s handles %ld, GDI objects %d, private bytes %zu KiB\n", when,
                RemoteHandles(p.Pid()), RemoteGdiObjects(p.Handle(), p.Pid()),
                PrivateBytes(p.Handle()) / 1024);
}

}  // namespace

int main(int argc, char** argv) {
    const int syncs = argc > 1 ? std::atoi(argv[1]) : 200;
    driver::ResetProgramState();
    const std::string home = driver::MakeTempFolder("bench");
    driver::Program program;
    if (!program.Start(driver::CopyExeInto(home), home) || !program.WaitForMainWindow()) {
        std::fprintf(stderr, "hlxbench: Horolux did not start\n");
        return 1;
    }
    HWND main = program.MainWindow();
    HWND status = GetDlgItem(main, IDC_STATUS);

    std::vector<double> ms;
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    auto sync = [&]() -> bool {
        DWORD_PTR ignored = 0;
        SendMessageTimeoutA(status, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(""), SMTO_ABORTIFHUNG,
                            5000, &ignored);
        LARGE_INTEGER start, end;
        QueryPerformanceCounter(&start);
        driver::Click(main, IDC_SYNC);
        const bool ok = driver::WaitUntil(
            [&] { return driver::ControlText(main, IDC_STATUS) == kSuccess; }, 15000);
        QueryPerformanceCounter(&end);
        ms.push_back(1000.0 * static_cast<double>(end.QuadPart - start.QuadPart) /
                     static_cast<double>(frequency.QuadPart));
        return ok;
    };
    if (!sync()) {  // warm-up: libraries and caches of the first sync are not growth
        std::fprintf(stderr, "hlxbench: the first sync failed: %s\n",
                     driver::ControlText(main, IDC_STATUS).c_str());
        return 1;
    }
    ms.clear();
    Report("before", program);
    int failures = 0;
    for (int i = 0; i < syncs; ++i) failures += !sync();
    Report("after", program);

    std::sort(ms.begin(), ms.end());
    const auto at = [&](double q) {
        return ms[std::min(ms.size() - 1, static_cast<size_t>(q * ms.size()))];
    };
    std::printf(
        "%d syncs, %d failed: median %.0f ms, 95th percentile %.0f ms, fastest %.0f ms, slowest "
        "%.0f ms\n",
        syncs, failures, at(0.5), at(0.95), ms.front(), ms.back());
    program.EndWithOk();
    driver::ResetProgramState();
    return failures == 0 ? 0 : 1;
}
