#include "service/status_command.h"

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "core/service/service_names.h"
#include "core/service/status_report.h"
#include "core/sync/time_limits.h"
#include "platform/handles.h"

using horolux::service::StatusAnswer;

namespace service {

namespace {

// The running service's process id, or 0 with the reason why there is none.
DWORD RunningServiceProcess(std::string& why) {
    const fw::ServiceHandle manager(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT));
    const fw::ServiceHandle service(
        manager ? OpenServiceA(manager.Get(), horolux::service::kServiceName, SERVICE_QUERY_STATUS)
                : nullptr);
    SERVICE_STATUS_PROCESS status{};
    DWORD size = 0;
    if (!service || !QueryServiceStatusEx(service.Get(), SC_STATUS_PROCESS_INFO,
                                          reinterpret_cast<BYTE*>(&status), sizeof status, &size)) {
        const DWORD error = GetLastError();
        why = error == ERROR_SERVICE_DOES_NOT_EXIST
                  ? "the time service is not installed"
                  : "the service manager could not be asked (error " + std::to_string(error) + ")";
        return 0;
    }
    if (status.dwCurrentState != SERVICE_RUNNING) {
        why = "the time service is not running";
        return 0;
    }
    return status.dwProcessId;
}

// One overlapped read or write, given up after timeoutMs.
bool Transfer(HANDLE pipe, OVERLAPPED& io, bool started, DWORD& bytes, DWORD timeoutMs) {
    if (!started && GetLastError() != ERROR_IO_PENDING) return false;
    if (WaitForSingleObject(io.hEvent, timeoutMs) != WAIT_OBJECT_0) {
        CancelIo(pipe);
        GetOverlappedResult(pipe, &io, &bytes, TRUE);
        return false;
    }
    return GetOverlappedResult(pipe, &io, &bytes, FALSE) != FALSE;
}

// The answer's bytes, or nothing with the reason why.
std::optional<std::vector<std::uint8_t>> Exchange(const std::string& pipeName, DWORD servicePid,
                                                  std::string& why) {
    fw::FileHandle pipe;
    for (DWORD waited = 0; !pipe && waited <= horolux::kClientBusyTimeoutMs;
         waited += horolux::kClientStepMs) {
        // Identification only: a stranger's pipe must not act in the user's name.
        pipe.Reset(CreateFileA(
            pipeName.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
            FILE_FLAG_OVERLAPPED | SECURITY_SQOS_PRESENT | SECURITY_IDENTIFICATION, nullptr));
        if (!pipe && GetLastError() != ERROR_PIPE_BUSY) break;
        if (!pipe) WaitNamedPipeA(pipeName.c_str(), horolux::kClientStepMs);
    }
    if (!pipe) {
        why = "its pipe " + pipeName + " could not be opened (error " +
              std::to_string(GetLastError()) + ")";
        return std::nullopt;
    }
    // Whoever made the pipe first owns the name: only the service's own process is believed.
    ULONG serverPid = 0;
    if (servicePid &&
        (!GetNamedPipeServerProcessId(pipe.Get(), &serverPid) || serverPid != servicePid)) {
        why = "its pipe is held by another process";
        return std::nullopt;
    }
    DWORD mode = PIPE_READMODE_MESSAGE;
    const fw::KernelHandle event(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    if (!SetNamedPipeHandleState(pipe.Get(), &mode, nullptr, nullptr) || !event) {
        why = "its pipe could not be set up (error " + std::to_string(GetLastError()) + ")";
        return std::nullopt;
    }
    OVERLAPPED io{};
    io.hEvent = event.Get();
    DWORD bytes = 0;
    const std::vector<std::uint8_t> request = horolux::service::EncodeStatusRequest();
    const bool written = WriteFile(pipe.Get(), request.data(), static_cast<DWORD>(request.size()),
                                   nullptr, &io) != FALSE;
    if (!Transfer(pipe.Get(), io, written, bytes, horolux::kPipeRequestTimeoutMs) ||
        bytes != request.size()) {
        why = "the request could not be sent";
        return std::nullopt;
    }
    // One byte more than an answer may have, so a longer message does not read as one.
    std::vector<std::uint8_t> answer(horolux::service::kMaxStatusAnswerSize + 1);
    const bool read = ReadFile(pipe.Get(), answer.data(), static_cast<DWORD>(answer.size()),
                               nullptr, &io) != FALSE;
    if (!Transfer(pipe.Get(), io, read, bytes, horolux::kClientAnswerTimeoutMs)) {
        why = "no answer came";
        return std::nullopt;
    }
    answer.resize(bytes);
    return answer;
}

std::optional<StatusAnswer> AskStatus(const std::string& pipeName, bool isTheService,
                                      std::string& why) {
    const DWORD servicePid = isTheService ? RunningServiceProcess(why) : 0;
    if (isTheService && !servicePid) return std::nullopt;
    const auto bytes = Exchange(pipeName, servicePid, why);
    if (!bytes) return std::nullopt;
    horolux::service::StatusRead read = horolux::service::ReadStatusAnswer(*bytes);
    if (read.answer) return std::move(read.answer);
    // A service older than the status request refuses it as it refuses any unreadable request.
    const horolux::service::AnswerRead refusal = horolux::service::ReadAnswer(*bytes);
    why = refusal.answer ? "it did not take the status request (" + refusal.answer->failure + ")"
                         : std::string("its answer did not read (") +
                               horolux::service::ReadErrorText(read.error) + ")";
    return std::nullopt;
}

// The service's texts are in the ANSI code page; JSON is UTF-8.
std::string Utf8(const std::string& ansi) {
    if (ansi.empty()) return ansi;
    const int wide =
        MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), nullptr, 0);
    std::wstring text(static_cast<std::size_t>(wide), L'\0');
    MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), text.data(), wide);
    const int length =
        WideCharToMultiByte(CP_UTF8, 0, text.data(), wide, nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), wide, utf8.data(), length, nullptr, nullptr);
    return utf8;
}

StatusAnswer InUtf8(StatusAnswer status) {
    const auto each = [](std::vector<std::string>& texts) {
        for (std::string& text : texts) text = Utf8(text);
    };
    each(status.allowList);
    each(status.ignored);
    for (horolux::service::PolicyValue& value : status.policy) each(value.texts);
    if (status.lastSync) {
        status.lastSync->client = Utf8(status.lastSync->client);
        status.lastSync->source = Utf8(status.lastSync->source);
        status.lastSync->answer.failure = Utf8(status.lastSync->answer.failure);
        for (horolux::SourceRow& row : status.lastSync->answer.sources) {
            row.name = Utf8(row.name);
            row.reason = Utf8(row.reason);
        }
    }
    return status;
}

void Print(const std::string& text) {
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
}

}  // namespace

int RunStatusCommand(std::span<const std::string_view> options) {
    bool json = false;
    std::string pipeName = horolux::service::kPipeName;
    bool isTheService = true;
    for (std::size_t i = 0; i < options.size(); ++i) {
        if (options[i] == "--json") {
            json = true;
        } else if (options[i] == "--pipe" && i + 1 < options.size()) {
            pipeName = options[++i];
            isTheService = false;
        } else {
            std::fputs("usage: HoroluxTime.exe --status [--json] [--pipe NAME]\n", stderr);
            return horolux::service::kStatusUnreachable;
        }
    }
    std::string why;
    const std::optional<StatusAnswer> status = AskStatus(pipeName, isTheService, why);
    if (!status) {
        Print(json ? horolux::service::UnreachableJson(
                         Utf8("The time service could not be asked: " + why))
                   : "The time service could not be asked: " + why + "\n");
        return horolux::service::kStatusUnreachable;
    }
    Print(json ? horolux::service::StatusJson(InUtf8(*status))
               : horolux::service::StatusText(*status));
    return horolux::service::StatusExitCode(*status);
}

}  // namespace service
