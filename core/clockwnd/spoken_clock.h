#pragma once
// The floating clock's text as a screen reader says it.
#include <string>
#include <string_view>

namespace horolux {

// "12::5" (the minutes left to each alarm, AlarmClockText) is "12 minutes, 5 minutes"; an
// empty text "No alarms". A part that is no whole number is read as it is.
std::string SpokenClockText(std::string_view text);

}  // namespace horolux
