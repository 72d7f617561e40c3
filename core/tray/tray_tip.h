#pragma once
// The tray tooltip lives in a fixed 128-byte field of the shell's record.
#include <cstddef>
#include <string_view>

namespace horolux {

inline constexpr std::size_t kTrayTipCapacity = 128;  // bytes, the terminating NUL included

// Copies text into dest (capacity bytes), cut so that it always ends in a NUL.
void CopyTipText(char* dest, std::size_t capacity, std::string_view text);

}  // namespace horolux
