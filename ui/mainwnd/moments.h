#pragma once
// Moments as seconds since 1970-01-01 00:00:00 UTC, and their local-time form for the picker
// and the time texts.
#include <cstdint>

#include "framework/win32.h"

namespace ui {

std::int64_t UnixNow();
SYSTEMTIME LocalFromUnix(std::int64_t seconds);
std::int64_t UnixFromLocal(const SYSTEMTIME& local);

}  // namespace ui
