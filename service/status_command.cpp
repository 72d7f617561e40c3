#include "service/status_command.h"

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "core/service/service_names.h"
#include "core/service/status_report.h"
#include "core/sync/time_limits.h"
#include "platform/pipe_client.h"
#include "platform/text.h"

using horolux::service::StatusAnswer;

namespace timeservice {

namespace {

// The command waits for a busy pipe as the program does, but gives the request only as long as
// the service gives it.
constexpr platform::PipeTimeLimits kPipeLimits{
    horolux::kClientBusyTimeoutMs, horolux::kPipeRequestTimeoutMs, horolux::kClientAnswerTimeoutMs,
    horolux::kClientStepMs};

// Why the pipe gave no answer, in the command's words.
std::string WhyNoAnswer(const platform::PipeAnswer& reply, const std::string& pipeName) {
    const std::string error = std::to_string(reply.error);
    switch (reply.failure) {
        case platform::PipeFailure::ServiceMissing:
            return "the time service is not installed";
        case platform::PipeFailure::ManagerRefused:
            return "the service manager could not be asked (error " + error + ")";
        case platform::PipeFailure::ServiceNotRunning:
            return "the time service is not running";
        case platform::PipeFailure::NotOpened:
            return "its pipe " + pipeName + " could not be opened (error " + error + ")";
        case platform::PipeFailure::OtherServer:
            return "its pipe is held by another process";
        case platform::PipeFailure::NotSetUp:
            return "its pipe could not be set up (error " + error + ")";
        case platform::PipeFailure::NotSent:
            return "the request could not be sent";
        case platform::PipeFailure::NoAnswer:
        case platform::PipeFailure::None:
            break;
    }
    return "no answer came";
}

std::optional<StatusAnswer> AskStatus(const std::string& pipeName, bool isTheService,
                                      std::string& why) {
    const platform::PipeAnswer reply = platform::AskOverPipe(
        pipeName.c_str(), isTheService ? horolux::service::kServiceName : nullptr,
        horolux::service::EncodeStatusRequest(), horolux::service::kMaxStatusAnswerSize,
        kPipeLimits, [] {});
    if (!reply.answer) {
        why = WhyNoAnswer(reply, pipeName);
        return std::nullopt;
    }
    const std::vector<std::uint8_t>& bytes = *reply.answer;
    horolux::service::StatusRead read = horolux::service::ReadStatusAnswer(bytes);
    if (read.answer) return std::move(read.answer);
    // A service older than the status request refuses it as it refuses any unreadable request.
    const horolux::service::AnswerRead refusal = horolux::service::ReadAnswer(bytes);
    why = refusal.answer ? "it did not take the status request (" + refusal.answer->failure + ")"
                         : std::string("its answer did not read (") +
                               horolux::service::ReadErrorText(read.error) + ")";
    return std::nullopt;
}

// The service's texts are in the ANSI code page; JSON is UTF-8.
std::string Utf8(const std::string& ansi) {
    if (ansi.empty()) return ansi;
    const std::wstring text = platform::WideFromAnsi(ansi);
    const int wide = static_cast<int>(text.size());
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

}  // namespace timeservice
