#pragma once
// The kinds of clock the program syncs from, as stored (TimeSource) and as the pipe carries them.

namespace horolux {

// NtsServer is the kind of an entry only (a time server asked over Network Time Security, one of
// the Automatic source's list or an allow-list's): never a stored choice, a request's source or
// an installer's TIMESOURCE, so a stored or sent 4 reads as a number nobody writes.
enum class TimeSource : int {
    Page = 0,
    TimeServer = 1,
    WebServer = 2,
    Automatic = 3,
    NtsServer = 4
};

}  // namespace horolux
