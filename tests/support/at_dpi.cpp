// at_dpi DPI PROGRAM [ARGS...]: runs a Windows program at a display scale of DPI and puts the
// scale back afterwards. Wine reads the scale once, as a process starts, from the user's
// HKCU\Control Panel\Desktop value LogPixels (HKLM ...\Hardware Profiles\Current\Software\Fonts
// only where the user has none), so the child alone runs at it; it also finds the scale it was
// started for in HOROLUX_TEST_DPI. A Unix path to the program (/...) is taken through drive Z:.
// Exits with the program's exit code; 2 when it could not start it.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/handles.h"

namespace {

constexpr char kKey[] = "Control Panel\\Desktop";
constexpr char kValue[] = "LogPixels";
// Less than ctest gives the test, so the scale is put back even when the program hangs.
constexpr DWORD kLongestRunMs = 240000;

std::string Quoted(const std::string& arg) {
    return arg.find_first_of(" \t\"") == std::string::npos ? arg : "\"" + arg + "\"";
}

std::string WindowsPath(std::string path) {
    if (path.empty() || path[0] != '/') return path;
    for (char& c : path)
        if (c == '/') c = '\\';
    return "Z:" + path;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: at_dpi DPI PROGRAM [ARGS...]\n");
        return 2;
    }
    const DWORD dpi = static_cast<DWORD>(std::atoi(argv[1]));
    platform::RegistryKey owned;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_QUERY_VALUE | KEY_SET_VALUE,
                        nullptr, owned.Receive(), nullptr) != ERROR_SUCCESS)
        return 2;
    const HKEY key = owned.Get();
    DWORD before = 0, size = sizeof before, type = 0;
    const bool had = RegQueryValueExA(key, kValue, nullptr, &type, reinterpret_cast<BYTE*>(&before),
                                      &size) == ERROR_SUCCESS &&
                     type == REG_DWORD;
    RegSetValueExA(key, kValue, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dpi), sizeof dpi);
    SetEnvironmentVariableA("HOROLUX_TEST_DPI", argv[1]);

    const std::string program = WindowsPath(argv[2]);
    std::string commandLine = Quoted(program);
    for (int i = 3; i < argc; ++i) commandLine += " " + Quoted(argv[i]);
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    DWORD exitCode = 2;
    if (CreateProcessA(program.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr,
                       nullptr, &si, &pi)) {
        const platform::KernelHandle process(pi.hProcess), thread(pi.hThread);
        if (WaitForSingleObject(pi.hProcess, kLongestRunMs) != WAIT_OBJECT_0) {
            std::fprintf(stderr, "at_dpi: %s ran too long\n", program.c_str());
            TerminateProcess(pi.hProcess, 3);
            WaitForSingleObject(pi.hProcess, 5000);
        }
        GetExitCodeProcess(pi.hProcess, &exitCode);
    } else {
        std::fprintf(stderr, "at_dpi: cannot start %s (error %lu)\n", program.c_str(),
                     GetLastError());
    }

    if (had)
        RegSetValueExA(key, kValue, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&before),
                       sizeof before);
    else
        RegDeleteValueA(key, kValue);
    return static_cast<int>(exitCode);
}
