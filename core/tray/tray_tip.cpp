#include "core/tray/tray_tip.h"

#include <algorithm>
#include <cstring>

namespace horolux {

void CopyTipText(char* dest, std::size_t capacity, std::string_view text) {
    if (capacity == 0) return;
    // A NUL inside the text ends the tip there, as the shell would read it.
    text = text.substr(0, text.find('\0'));
    const std::size_t n = std::min(text.size(), capacity - 1);
    std::memcpy(dest, text.data(), n);
    std::memset(dest + n, 0, capacity - n);
}

}  // namespace horolux
