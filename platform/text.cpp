#include "platform/text.h"

#include "platform/win32.h"

namespace platform {

std::wstring WideFromAnsi(std::string_view ansi) {
    // A byte of the code page makes at most one UTF-16 unit.
    std::wstring wide(ansi.size(), L'\0');
    const int n = MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()),
                                      wide.data(), static_cast<int>(wide.size()));
    wide.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
    return wide;
}

}  // namespace platform
