#pragma once
// Runs a program to its end and takes what it prints, for the tests of command-line programs.
#include <string>

#include "platform/handles.h"

namespace test {

struct ChildRun {
    DWORD exitCode = 0xFFFFFFFF;  // this when it did not start or end within the time
    std::string output;           // standard output and error together
};

inline ChildRun RunToEnd(const std::string& exe, const std::string& arguments,
                         DWORD timeoutMs = 60000) {
    ChildRun run;
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    platform::FileHandle readEnd, writeEnd;
    if (!CreatePipe(readEnd.Receive(), writeEnd.Receive(), &inherit, 0)) return run;
    SetHandleInformation(readEnd.Get(), HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = writeEnd.Get();
    startup.hStdError = writeEnd.Get();
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    // Appended piece by piece: GCC 12 warns wrongly about "text" + std::string(...).
    std::string command = "\"";
    command += exe;
    command += "\" ";
    command += arguments;
    PROCESS_INFORMATION info{};
    if (!CreateProcessA(exe.c_str(), command.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW,
                        nullptr, nullptr, &startup, &info))
        return run;
    const platform::KernelHandle process(info.hProcess), thread(info.hThread);
    writeEnd.Reset();  // so that the read ends when the child does
    char chunk[4096];
    DWORD got = 0;
    while (ReadFile(readEnd.Get(), chunk, sizeof chunk, &got, nullptr) && got > 0)
        run.output.append(chunk, got);
    if (WaitForSingleObject(process.Get(), timeoutMs) == WAIT_OBJECT_0)
        GetExitCodeProcess(process.Get(), &run.exitCode);
    return run;
}

}  // namespace test
