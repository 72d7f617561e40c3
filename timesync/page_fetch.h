#pragma once
// The time page's fetch, step by step, whichever library does the steps: the order, the phases
// reported, the blank-filled text and the deadline are the same for every stack.
#include <cstdint>
#include <functional>
#include <optional>

#include "timesync/http_stack.h"

namespace timesync {

// One library's part in one page fetch.
class PageRequest {
public:
    virtual ~PageRequest() = default;
    // The library's session, its waits bounded; false when the library cannot start or its waits
    // cannot be bounded.
    virtual bool Open() = 0;
    // Connects, sends the GET of the page and waits for its answer; false when none came.
    virtual bool Send() = 0;
    // How many bytes of the body can be read without waiting for more (waiting when none have
    // arrived), 0 at its end; nothing on a failure.
    virtual std::optional<std::uint32_t> Available() = 0;
    // Reads up to size bytes into buffer: how many, 0 at the end, nothing on a failure.
    virtual std::optional<std::uint32_t> Read(char* buffer, std::uint32_t size) = 0;
    // Closes the request, the connection and the session, in that order.
    virtual void Close() = 0;
};

TimePage FetchPage(PageRequest& request, const std::function<void(horolux::SyncPhase)>& progress);

}  // namespace timesync
