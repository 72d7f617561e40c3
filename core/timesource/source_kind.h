#pragma once
// The kinds of clock the program syncs from, as stored (TimeSource) and as the pipe carries them.

namespace horolux {

enum class TimeSource : int { Page = 0, TimeServer = 1, WebServer = 2, Automatic = 3 };

}  // namespace horolux
