#pragma once
// The time service's record of what it did. A service has nobody to show a message to, so what
// the program would say in a window the service records here, through this one function.
#include <string>

namespace service {

enum class ServiceEvent {
    Started,
    Stopped,
    ClockSet,        // a sync set the clock
    SyncFailed,      // a sync ended without setting the clock
    RequestRefused,  // a request that could not be read or names a source not allowed
    Fault,           // a step of the service itself failed: the pipe, the service manager
};

// Makes one record: for now the debugger's output ("Horolux Time Service: ..."), which a
// debugger or DebugView shows.
void RecordEvent(ServiceEvent event, const std::string& text);

}  // namespace service
