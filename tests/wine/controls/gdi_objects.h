#pragma once
// Counts this process's GDI objects without GetGuiResources, which Wine leaves as a stub: the
// process environment block points at the GDI handle table (Windows and Wine share its layout:
// 24-byte entries, the owning process's ID in bytes 8-9 and the object type in byte 14). Wine
// keeps one table per process and leaves the owner 0; Windows shares it, so entries are
// filtered by owner there.
#include <intrin.h>

#include <cstdint>
#include <cstring>

#include "framework/win32.h"

namespace test {

inline int CountGdiObjects() {
    // GCC takes the segment read for an access to a zero-length array and warns for nothing.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Warray-bounds"
    const auto* peb = reinterpret_cast<const std::uint8_t*>(__readgsqword(0x60));
#pragma GCC diagnostic pop
    const std::uint8_t* table = nullptr;
    std::memcpy(&table, peb + 0xF8, sizeof table);  // PEB.GdiSharedHandleTable, 64-bit layout
    if (!table) return -1;
    const auto self = static_cast<std::uint16_t>(GetCurrentProcessId());
    int count = 0;
    for (int i = 0; i < 0x10000; ++i) {
        const std::uint8_t* entry = table + static_cast<std::size_t>(i) * 24;
        std::uint16_t owner = 0;
        std::memcpy(&owner, entry + 8, sizeof owner);
        if (entry[14] != 0 && (owner == 0 || owner == self)) ++count;
    }
    return count;
}

}  // namespace test
