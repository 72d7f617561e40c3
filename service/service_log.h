#pragma once
// The time service's record of what it did. A service has nobody to show a message to, so what
// the program would say in a window the service records here, through this one function: in the
// Application log under the source "Horolux Time Service", and in the debugger's output.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace timeservice {

// Each record's stable event ID, as the README lists them; its message is in
// horolux_time_events.mc, and the inserts below are that message's %1, %2, ... in this order.
// ClockSet's sources end in " (authenticated)" when its offset rests on authenticated answers.
enum class ServiceEvent : std::uint32_t {
    Started = 100,                  // version
    Stopped = 101,                  // (none)
    StoppedOnError = 102,           // what failed, the Windows error number
    ClockSet = 200,                 // old time, new time, offset, bound, sources used, user
    SyncFailed = 201,               // source, reason, user
    RequestNotAllowed = 300,        // user, the source asked for
    RequestMalformed = 301,         // user, why it did not read, its size in bytes
    AllowListUnreadable = 400,      // the value's place
    AllowListEntriesIgnored = 401,  // the value's place, the entries
    Fault = 500,                    // what failed, in words
};

enum class EventType { Information, Warning, Error };

struct EventRecord {
    ServiceEvent event;
    EventType type;
    std::vector<std::string> inserts;
};

// Every event with its type.
struct EventKind {
    ServiceEvent event;
    EventType type;
};
inline constexpr EventKind kEventKinds[] = {
    {ServiceEvent::Started, EventType::Information},
    {ServiceEvent::Stopped, EventType::Information},
    {ServiceEvent::StoppedOnError, EventType::Error},
    {ServiceEvent::ClockSet, EventType::Information},
    {ServiceEvent::SyncFailed, EventType::Warning},
    {ServiceEvent::RequestNotAllowed, EventType::Warning},
    {ServiceEvent::RequestMalformed, EventType::Warning},
    {ServiceEvent::AllowListUnreadable, EventType::Error},
    {ServiceEvent::AllowListEntriesIgnored, EventType::Warning},
    {ServiceEvent::Fault, EventType::Error},
};

// Makes one record.
void RecordEvent(ServiceEvent event, std::vector<std::string> inserts);

// While one of these lives, records go to its sink instead of the Event Log, which keeps nothing
// under Wine: the tests' seam. One at a time.
class EventRedirect {
public:
    explicit EventRedirect(std::function<void(const EventRecord&)> sink);
    ~EventRedirect();
    EventRedirect(const EventRedirect&) = delete;
    EventRedirect& operator=(const EventRedirect&) = delete;
};

}  // namespace timeservice
