#include "service/service_log.h"

#include <mutex>

#include "core/service/service_names.h"
#include "horolux_time_events.h"
#include "platform/handles.h"

namespace timeservice {

// The IDs the code records under are the message table's.
static_assert(static_cast<DWORD>(ServiceEvent::Started) == MSG_SERVICE_STARTED);
static_assert(static_cast<DWORD>(ServiceEvent::Stopped) == MSG_SERVICE_STOPPED);
static_assert(static_cast<DWORD>(ServiceEvent::StoppedOnError) == MSG_SERVICE_STOPPED_ON_ERROR);
static_assert(static_cast<DWORD>(ServiceEvent::ClockSet) == MSG_CLOCK_SET);
static_assert(static_cast<DWORD>(ServiceEvent::SyncFailed) == MSG_SYNC_FAILED);
static_assert(static_cast<DWORD>(ServiceEvent::RequestNotAllowed) == MSG_REQUEST_NOT_ALLOWED);
static_assert(static_cast<DWORD>(ServiceEvent::RequestMalformed) == MSG_REQUEST_MALFORMED);
static_assert(static_cast<DWORD>(ServiceEvent::AllowListUnreadable) == MSG_ALLOW_LIST_UNREADABLE);
static_assert(static_cast<DWORD>(ServiceEvent::AllowListEntriesIgnored) ==
              MSG_ALLOW_LIST_ENTRIES_IGNORED);
static_assert(static_cast<DWORD>(ServiceEvent::Fault) == MSG_FAULT);

namespace {

std::mutex g_sinkMutex;
std::function<void(const EventRecord&)> g_sink;

EventType TypeOf(ServiceEvent event) {
    for (const EventKind& kind : kEventKinds)
        if (kind.event == event) return kind.type;
    return EventType::Error;
}

WORD ReportType(EventType type) {
    switch (type) {
        case EventType::Information:
            return EVENTLOG_INFORMATION_TYPE;
        case EventType::Warning:
            return EVENTLOG_WARNING_TYPE;
        case EventType::Error:
        default:
            return EVENTLOG_ERROR_TYPE;
    }
}

// Registered for each record: records are few, and nothing stays open between them.
void Report(const EventRecord& record) {
    const platform::EventSource source(
        RegisterEventSourceA(nullptr, horolux::service::kEventSourceName));
    if (!source) return;
    std::vector<const char*> strings;
    for (const std::string& insert : record.inserts) strings.push_back(insert.c_str());
    ReportEventA(source.Get(), ReportType(record.type), 0, static_cast<DWORD>(record.event),
                 nullptr, static_cast<WORD>(strings.size()), 0,
                 strings.empty() ? nullptr : strings.data(), nullptr);
}

}  // namespace

void RecordEvent(ServiceEvent event, std::vector<std::string> inserts) {
    const EventRecord record{event, TypeOf(event), std::move(inserts)};
    std::string line =
        "Horolux Time Service: event " + std::to_string(static_cast<std::uint32_t>(event));
    for (const std::string& insert : record.inserts) line += " | " + insert;
    OutputDebugStringA((line + "\n").c_str());

    const std::lock_guard<std::mutex> lock(g_sinkMutex);
    if (g_sink)
        g_sink(record);
    else
        Report(record);
}

EventRedirect::EventRedirect(std::function<void(const EventRecord&)> sink) {
    const std::lock_guard<std::mutex> lock(g_sinkMutex);
    g_sink = std::move(sink);
}

EventRedirect::~EventRedirect() {
    const std::lock_guard<std::mutex> lock(g_sinkMutex);
    g_sink = nullptr;
}

}  // namespace timeservice
