#pragma once
// FetchTimePage: the one HTTP request of a sync, through WinINet with the system's proxy settings,
// and the Win32 edges of the clock arithmetic (SYSTEMTIME and the time zone in portable records).
#include <functional>
#include <string>

#include "core/sync/clock_math.h"
#include "core/sync/time_page.h"
#include "framework/win32.h"
#include "timesync/http_stack.h"  // TimePage and the page's address

// No status callback is installed, so the context value is never handed back.
inline constexpr DWORD_PTR kTimePageContext = 777;

// Connecting, sending and each wait for data give up after this on handle and the handles made
// from it, so a server that stays silent cannot hold the program (and every alarm).
inline constexpr DWORD kInternetStepTimeoutMs = kHttpStepTimeoutMs;
void BoundInternetWaits(HINTERNET handle);

// Fetches the first 1024 bytes of the time page through WinINet, as WinInetStack() does, calling
// progress after each step: five times when the page is read, twice when it cannot be opened,
// never when WinINet cannot start. Connecting, sending and each wait for data give up after 10 s
// (a silent server: ConnectFailed), and reading stops 15 s after the request (a trickling answer:
// ReadFailed).
TimePage FetchTimePage(const std::function<void()>& progress);

// The system's time zone as GetTimeZoneInformation reports it at this moment.
horolux::TimeZoneRecord CurrentTimeZone();

horolux::SystemTime ToPortableTime(const SYSTEMTIME& t);
SYSTEMTIME ToSystemTime(const horolux::SystemTime& t);
