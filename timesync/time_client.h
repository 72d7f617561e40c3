#pragma once
// FetchTimePage: the one HTTP request of a sync, through WinINet with the system's proxy settings,
// and the Win32 edges of the clock arithmetic (SYSTEMTIME and the time zone in portable records).
#include <functional>
#include <string>

#include "core/sync/clock_math.h"
#include "core/sync/time_page.h"
#include "framework/win32.h"

// The historic US Naval Observatory master clock page,
// http://tycho.usno.navy.mil/cgi-bin/timer.pl. Plain HTTP on the default port; the only way to
// reach another server is the system's proxy setting.
inline constexpr char kTimePageHost[] = "tycho.usno.navy.mil";
inline constexpr char kTimePagePath[] = "/cgi-bin/timer.pl";
inline constexpr char kTimeAgentName[] = "Horolux";
// No status callback is installed, so the context value is never handed back.
inline constexpr DWORD_PTR kTimePageContext = 777;

// Connecting, sending and each wait for data give up after this on handle and the handles made
// from it, so a server that stays silent cannot hold the program (and every alarm).
inline constexpr DWORD kInternetStepTimeoutMs = 10000;
void BoundInternetWaits(HINTERNET handle);

struct TimePage {
    horolux::TimePageOutcome outcome = horolux::TimePageOutcome::OpenFailed;
    // On Ok: exactly kTimePageSize characters, the body over blanks; a NUL in the body ends the
    // text that ParseUniversalTime examines.
    std::string text;
};

// Fetches the first 1024 bytes of the time page, calling progress after each step: five times
// when the page is read, twice when it cannot be opened, never when WinINet cannot start.
// Connecting, sending and each wait for data give up after 10 s (a silent server: ConnectFailed),
// and reading stops 15 s after the request (a trickling answer: ReadFailed).
TimePage FetchTimePage(const std::function<void()>& progress);

// The system's time zone as GetTimeZoneInformation reports it at this moment.
horolux::TimeZoneRecord CurrentTimeZone();

horolux::SystemTime ToPortableTime(const SYSTEMTIME& t);
SYSTEMTIME ToSystemTime(const horolux::SystemTime& t);
