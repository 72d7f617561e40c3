#pragma once
// What the time sources' tests share across the two HTTP stacks: the parameter that names a stack
// (and, from proxy_settings.h, the proxy settings that send the time page to tools/timeserver.py
// while the loopback web servers are reached directly).
#include <gtest/gtest.h>

#include <optional>
#include <ostream>
#include <string>

#include "proxy_settings.h"
#include "timesync/http_stack.h"

namespace test {

struct StackParam {
    const char* name;
    timesync::HttpStack& (*stack)();
};
inline void PrintTo(const StackParam& p, std::ostream* os) {
    *os << p.name;
}

inline const StackParam kWinInet{"WinInet", &timesync::WinInetStack};
inline const StackParam kWinHttp{"WinHttp", &timesync::WinHttpStack};

inline std::string StackName(const ::testing::TestParamInfo<StackParam>& info) {
    return info.param.name;
}

#define HOROLUX_FOR_BOTH_STACKS(suite)                                                         \
    INSTANTIATE_TEST_SUITE_P(Stacks, suite, ::testing::Values(test::kWinInet, test::kWinHttp), \
                             test::StackName)

}  // namespace test
