#pragma once
// A property that does not hold ends the run as a crash, so the fuzzer keeps the input; the text
// names the property in the log.
#include <cstdio>
#include <cstdlib>

namespace horolux::fuzz {

inline void Check(bool holds, const char* property) {
    if (holds) return;
    std::fprintf(stderr, "property failed: %s\n", property);
    std::abort();
}

}  // namespace horolux::fuzz
