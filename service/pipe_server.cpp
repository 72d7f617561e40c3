#include "service/pipe_server.h"

#include <algorithm>
#include <cstdlib>
#include <string>
#include <utility>

#include "platform/handles.h"
#include "service/service_log.h"

namespace timeservice {

namespace {

// The user of the client's token, which the pipe lends at identification level: enough to read
// who it is, not to act as them. The name is looked up in the service's own name, since a lookup
// made while identifying may not reach the accounts' authority.
std::string ClientUser(HANDLE pipe) {
    if (!ImpersonateNamedPipeClient(pipe)) return kUnknownClient;
    platform::KernelHandle token;
    const bool opened =
        OpenThreadToken(GetCurrentThread(), TOKEN_QUERY, TRUE, token.Receive()) != FALSE;
    // A thread that cannot be itself again must not go on in the client's name.
    if (!RevertToSelf()) std::abort();
    if (!opened) return kUnknownClient;

    DWORD size = 0;
    GetTokenInformation(token.Get(), TokenUser, nullptr, 0, &size);
    std::vector<BYTE> user(size);
    if (size == 0 || !GetTokenInformation(token.Get(), TokenUser, user.data(), size, &size))
        return kUnknownClient;
    const PSID sid = reinterpret_cast<TOKEN_USER*>(user.data())->User.Sid;
    char name[257] = {}, domain[256] = {};
    DWORD nameSize = sizeof name, domainSize = sizeof domain;
    SID_NAME_USE use{};
    if (LookupAccountSidA(nullptr, sid, name, &nameSize, domain, &domainSize, &use))
        return *domain ? std::string(domain) + "\\" + name : std::string(name);
    platform::LocalMemory text;
    if (!ConvertSidToStringSidA(sid, reinterpret_cast<char**>(text.Receive())))
        return kUnknownClient;
    return static_cast<const char*>(text.Get());
}

}  // namespace

PipeServer::PipeServer(std::string name, RequestHandler handler, PipeLimits limits)
    : name_(std::move(name)), handler_(std::move(handler)), limits_(limits) {}

// Completes one overlapped step that the call started (or failed to start). On time-out or stop
// the step is cancelled and waited out, so the system no longer writes into the caller's buffer.
PipeServer::Wait PipeServer::WaitFor(HANDLE pipe, OVERLAPPED& io, HANDLE stop, DWORD timeoutMs,
                                     DWORD& bytes, bool started) {
    bytes = 0;
    if (!started) {
        const DWORD error = GetLastError();
        if (error != ERROR_IO_PENDING) {
            // A message longer than the buffer is read as far as it fits: say how far.
            if (error == ERROR_MORE_DATA) GetOverlappedResult(pipe, &io, &bytes, FALSE);
            SetLastError(error);
            return Wait::Failed;
        }
    }
    const HANDLE events[] = {io.hEvent, stop};
    const DWORD which = WaitForMultipleObjects(stop ? 2 : 1, events, FALSE, timeoutMs);
    if (which != WAIT_OBJECT_0) {
        CancelIo(pipe);
        GetOverlappedResult(pipe, &io, &bytes, TRUE);
        return which == WAIT_OBJECT_0 + 1 ? Wait::Stopped : Wait::TimedOut;
    }
    return GetOverlappedResult(pipe, &io, &bytes, FALSE) ? Wait::Done : Wait::Failed;
}

void PipeServer::Serve(HANDLE pipe, HANDLE stop) {
    OVERLAPPED io{};
    io.hEvent = event_.Get();
    DWORD bytes = 0;

    // One byte more than a request may have, so an oversized one reaches the handler as such.
    std::vector<std::uint8_t> request(limits_.maxRequest + 1);
    const bool readStarted =
        ReadFile(pipe, request.data(), static_cast<DWORD>(request.size()), nullptr, &io) != FALSE;
    const Wait read = WaitFor(pipe, io, stop, limits_.requestTimeoutMs, bytes, readStarted);
    if (read != Wait::Done && !(read == Wait::Failed && GetLastError() == ERROR_MORE_DATA)) return;
    request.resize(bytes);
    const std::string client = ClientUser(pipe);

    std::vector<std::uint8_t> answer;
    try {
        answer = handler_(request, client);
    } catch (...) {
        // A fault in one request must not end the service.
        RecordEvent(ServiceEvent::Fault, {"A request of " + client + " could not be answered"});
        return;
    }
    if (answer.empty()) return;
    const bool writeStarted =
        WriteFile(pipe, answer.data(), static_cast<DWORD>(answer.size()), nullptr, &io) != FALSE;
    if (WaitFor(pipe, io, stop, limits_.answerTimeoutMs, bytes, writeStarted) != Wait::Done) return;

    // Disconnecting throws away an answer not yet read, so wait for the client to hang up.
    std::uint8_t ignored = 0;
    const bool hangUpStarted = ReadFile(pipe, &ignored, 1, nullptr, &io) != FALSE;
    WaitFor(pipe, io, stop, limits_.answerTimeoutMs, bytes, hangUpStarted);
}

DWORD PipeServer::Open() {
    platform::LocalMemory descriptor;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorA(
            kPipeSecurity, SDDL_REVISION_1,
            reinterpret_cast<PSECURITY_DESCRIPTOR*>(descriptor.Receive()), nullptr))
        return GetLastError();
    SECURITY_ATTRIBUTES security{sizeof security, descriptor.Get(), FALSE};
    // The first and only instance: a process that made the pipe before us makes this fail, and
    // nobody can add an instance beside ours.
    pipe_.Reset(CreateNamedPipeA(
        name_.c_str(), PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED | FILE_FLAG_FIRST_PIPE_INSTANCE,
        PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE | PIPE_WAIT | PIPE_REJECT_REMOTE_CLIENTS, 1,
        static_cast<DWORD>(limits_.maxAnswer), static_cast<DWORD>(limits_.maxRequest + 1), 0,
        &security));
    if (!pipe_) return GetLastError();
    event_.Reset(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    if (!event_) return GetLastError();
    return 0;
}

namespace {

// Whether stop is signalled within waitMs; without a stop event, just a wait.
bool StopSignalled(HANDLE stop, DWORD waitMs) {
    if (stop) return WaitForSingleObject(stop, waitMs) == WAIT_OBJECT_0;
    Sleep(waitMs);
    return false;
}

}  // namespace

void PipeServer::Run(HANDLE stop) {
    if (!pipe_ || !event_) return;
    HANDLE pipe = pipe_.Get();
    DWORD retryMs = kConnectRetryMs;
    for (;;) {
        OVERLAPPED io{};
        io.hEvent = event_.Get();
        DWORD bytes = 0;
        const bool connected = ConnectNamedPipe(pipe, &io) != FALSE;
        Wait wait = Wait::Done;
        if (!connected && GetLastError() != ERROR_PIPE_CONNECTED)
            wait = WaitFor(pipe, io, stop, INFINITE, bytes, false);
        if (wait == Wait::Stopped) return;
        if (wait == Wait::Done) {
            Serve(pipe, stop);
            retryMs = kConnectRetryMs;
        } else if (const DWORD error = GetLastError(); error != ERROR_NO_DATA) {
            // (ERROR_NO_DATA: a client came and went before it was waited for, no fault.)
            RecordEvent(ServiceEvent::Fault,
                        {"Waiting for a client failed with error " + std::to_string(error)});
            DisconnectNamedPipe(pipe);
            if (StopSignalled(stop, retryMs)) return;
            retryMs = std::min(retryMs * 2, kLongestConnectRetryMs);
            continue;
        }
        DisconnectNamedPipe(pipe);
        if (StopSignalled(stop, 0)) return;
    }
}

}  // namespace timeservice
