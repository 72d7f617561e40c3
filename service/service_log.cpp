#include "service/service_log.h"

#include "platform/win32.h"

namespace service {

namespace {

const char* EventName(ServiceEvent event) {
    switch (event) {
        case ServiceEvent::Started:
            return "started";
        case ServiceEvent::Stopped:
            return "stopped";
        case ServiceEvent::ClockSet:
            return "clock set";
        case ServiceEvent::SyncFailed:
            return "sync failed";
        case ServiceEvent::RequestRefused:
            return "request refused";
        case ServiceEvent::Fault:
        default:
            return "fault";
    }
}

}  // namespace

void RecordEvent(ServiceEvent event, const std::string& text) {
    const std::string line = std::string("Horolux Time Service: ") + EventName(event) +
                             (text.empty() ? "" : ": " + text) + "\n";
    OutputDebugStringA(line.c_str());
}

}  // namespace service
