// hlxbench: runs N syncs of one running Horolux from each time source on loopback (the time page,
// the SNTP server, the web clock; the web clock fewer times, as each takes seconds) and reports
// per source how long a sync took from the button press to " PC clock changed successfully ",
// how long one bare fetch or query of the same server takes, their ratio, and what the process
// holds (handles, GDI objects, private bytes) before and after.
//   hlxbench [N]     (script/bench sets up the Wine session and the servers)
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "driver.h"
#include "proxy_settings.h"
#include "resource.h"
#include "tests/bench/percentile.h"
#include "timesync/automatic_source.h"
#include "timesync/http_stack.h"
#include "timesync/precise_clock.h"
#include "timesync/sntp_client.h"
// clang-format off
#include <psapi.h>     // after <windows.h>, which driver.h brings
#include <winternl.h>

using namespace timesync;  // the layer under test
// clang-format on

namespace {

constexpr char kSuccess[] = " PC clock changed successfully ";
constexpr char kConfigKey[] = "Software\\Horolux\\Horolux\\Config";

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

using bench::Percentile;

// Milliseconds taken by each of n calls of what.
template <class F>
std::vector<double> Timed(int n, F what) {
    std::vector<double> ms;
    for (int i = 0; i < n; ++i) {
        const horolux::UnixMicros start = PreciseNowMicros();
        if (!what()) continue;
        ms.push_back(static_cast<double>(PreciseNowMicros() - start) / 1000.0);
    }
    return ms;
}

// The GDI objects the program keeps: the fewest of readings over half a second. The success text
// is answered while the sync still stops its clip and tray animation and repaints, so one reading
// may catch a frame's memory DC and bitmaps in passing; a leak never falls again.
// Under Wine the kept count may rise once by three (a DC, its region and its surface): Wine keeps
// one window DC for each ever held at once, and comctl32 paints the sync clip from a thread of its
// own, so a frame painted during a repaint of the window adds one. It does not rise again (page
// syncs: 288, then 291 from the rise, which came after 2 to 600 syncs, to the thousandth; 287
// throughout without the clip).
int KeptGdiObjects(const driver::Program& p) {
    int fewest = -1;
    for (int i = 0; i < 20; ++i) {
        const int n = RemoteGdiObjects(p.Handle(), p.Pid());
        if (n >= 0 && (fewest < 0 || n < fewest)) fewest = n;
        Sleep(25);
    }
    return fewest;
}

void Report(const char* when, const driver::Program& p) {
    std::printf("%-7s handles %ld, GDI objects %d, private bytes %zu KiB\n", when,
                RemoteHandles(p.Pid()), KeptGdiObjects(p), PrivateBytes(p.Handle()) / 1024);
}

struct Source {
    const char* name;
    DWORD number;  // the stored TimeSource
    std::string server, url;
    int syncs;
    std::function<std::vector<double>(int)> bare;  // n bare fetches or queries, in ms each
    std::vector<std::string> autoSources = {};     // the Automatic source's list
};

// Starts Horolux set to source, runs the syncs and prints the figures; false when one failed.
bool Bench(const Source& source) {
    driver::ResetProgramState();
    test::SetRaw(HKEY_CURRENT_USER, kConfigKey, "TimeSource", REG_DWORD, &source.number,
                 sizeof source.number);
    test::SetRaw(HKEY_CURRENT_USER, kConfigKey, "TimeServer", REG_SZ, source.server.c_str(),
                 static_cast<DWORD>(source.server.size() + 1));
    test::SetRaw(HKEY_CURRENT_USER, kConfigKey, "TimeWebUrl", REG_SZ, source.url.c_str(),
                 static_cast<DWORD>(source.url.size() + 1));
    std::string list;
    for (const std::string& entry : source.autoSources) list += entry + '\0';
    list += '\0';
    test::SetRaw(HKEY_CURRENT_USER, kConfigKey, "AutoSources", REG_MULTI_SZ, list.data(),
                 static_cast<DWORD>(list.size()));
    const std::string home = driver::MakeTempFolder("bench");
    driver::Program program;
    if (!program.Start(driver::CopyExeInto(home), home) || !program.WaitForMainWindow()) {
        std::fprintf(stderr, "hlxbench: Horolux did not start\n");
        return false;
    }
    HWND main = program.MainWindow();
    HWND status = GetDlgItem(main, IDC_STATUS);
    auto sync = [&]() -> bool {
        DWORD_PTR ignored = 0;
        SendMessageTimeoutA(status, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(""), SMTO_ABORTIFHUNG,
                            5000, &ignored);
        driver::Click(main, IDC_SYNC);
        // The text is read with a send, which waits while the sync holds the program's thread,
        // so the answer comes as soon as the sync has ended.
        return driver::WaitUntil([&] { return driver::ControlText(main, IDC_STATUS) == kSuccess; },
                                 15000);
    };
    std::printf("%s:\n", source.name);
    if (!sync()) {  // warm-up: libraries and caches of the first sync are not growth
        std::fprintf(stderr, "hlxbench: the first sync failed: %s\n",
                     driver::ControlText(main, IDC_STATUS).c_str());
        program.EndWithOk();
        return false;
    }
    Report("  before", program);
    int failures = 0;
    const std::vector<double> ms = Timed(source.syncs, [&] {
        const bool ok = sync();
        failures += !ok;
        return ok;
    });
    Report("  after", program);
    program.EndWithOk();

    const std::vector<double> bare = source.bare(std::max(20, source.syncs));
    const double median = Percentile(ms, 0.5), bareMedian = Percentile(bare, 0.5);
    std::printf(
        "  %d syncs, %d failed: median %.1f ms, 95th percentile %.1f ms; one bare %s: median "
        "%.2f ms, 95th percentile %.2f ms; ratio of the medians %.1f\n",
        source.syncs, failures, median, Percentile(ms, 0.95),
        source.number == 1 ? "query" : (source.number == 3 ? "measurement" : "fetch"), bareMedian,
        Percentile(bare, 0.95), bareMedian > 0 ? median / bareMedian : 0.0);
    return failures == 0;
}

}  // namespace

int main(int argc, char** argv) {
    const int syncs = argc > 1 ? std::atoi(argv[1]) : 200;
    const std::string port = test::EnvText("HOROLUX_SNTPSERVER_PORT");
    if (port.empty()) {
        std::fprintf(stderr, "hlxbench: HOROLUX_SNTPSERVER_PORT is not set\n");
        return 2;
    }
    const std::string server = "127.0.0.1:" + port;
    // The page goes by http_proxy to the loopback time page; the web clock is reached directly.
    const test::LoopbackBypassesTheProxy bypass;
    const std::vector<std::string> several = {
        "server:" + server, "server:127.0.0.1:" + test::EnvText("HOROLUX_SNTPSERVER2_PORT"),
        "server:127.0.0.1:" + test::EnvText("HOROLUX_CHRONY_PORT"),
        "web:http://" + server + "/clock",
        "web:http://127.0.0.1:" + test::EnvText("HOROLUX_LIGHTTPD_PORT") + "/"};
    const Source sources[] = {
        {"Time page", 0, "", "", syncs,
         [](int n) {
             return Timed(n, [] {
                 return timesync::WinInetStack().FetchTimePage([](horolux::SyncPhase) {}).outcome ==
                        horolux::TimePageOutcome::Ok;
             });
         }},
        {"Internet time server", 1, server, "", syncs,
         [&](int n) {
             // A measurement's time over its exchanges: what one bare query costs.
             std::vector<double> ms;
             for (int i = 0; i < n; ++i) {
                 horolux::RefusedServers refused;
                 const horolux::UnixMicros start = timesync::PreciseNowMicros();
                 const auto m = timesync::MeasureTimeServer(server, refused);
                 if (m.requests > 0)
                     ms.push_back(static_cast<double>(timesync::PreciseNowMicros() - start) /
                                  1000.0 / m.requests);
             }
             return ms;
         }},
        {"Web server clock", 2, "", "http://" + server + "/clock", std::max(5, syncs / 20),
         [&](int n) {
             return Timed(
                 n, [&] { return test::ServerGet(std::atoi(port.c_str()), "/clock") == "ok\n"; });
         }},
        // Five sources at once, one of them five seconds wrong (script/bench sets it so).
        {"Automatic (5 sources, one wrong)", 3, "", "", std::max(5, syncs / 20),
         [&](int n) {
             return Timed(n, [&] {
                 horolux::RefusedServers refused;
                 return timesync::MeasureAutomatic(horolux::ReadSourceEntries(several).entries,
                                                   refused, timesync::WinInetStack(), {})
                            .combined.outcome == horolux::TimeMeasurement::Outcome::Ok;
             });
         },
         several},
    };
    bool ok = true;
    for (const Source& source : sources) ok = Bench(source) && ok;
    driver::ResetProgramState();
    return ok ? 0 : 1;
}
