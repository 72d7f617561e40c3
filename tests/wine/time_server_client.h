#pragma once
// Talking to tools/timeserver.py from a test under Wine: its port comes from the environment
// (script/lib/timeserver.sh), its control requests go to it directly, not through the proxy; and
// comparing the times of day it serves.

#include <cstdlib>
#include <string>

#include "framework/win32.h"
#include "platform/wininet.h"

namespace test {

inline std::string EnvText(const char* name) {
    char value[512];
    DWORD n = GetEnvironmentVariableA(name, value, sizeof value);
    return n > 0 && n < sizeof value ? std::string(value, n) : std::string();
}

// A GET straight to the test server (not through the proxy), for its control requests.
inline std::string ServerGet(int port, const std::string& pathAndQuery) {
    std::string body;
    HINTERNET root = InternetOpenA("horolux-tests", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0);
    if (!root) return "<no root handle>";
    std::string url = "http://127.0.0.1:" + std::to_string(port) + pathAndQuery;
    HINTERNET page = InternetOpenUrlA(root, url.c_str(), nullptr, 0,
                                      INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE, 0);
    if (page) {
        char chunk[4096];
        DWORD got = 0;
        while (InternetReadFile(page, chunk, sizeof chunk, &got) && got > 0)
            body.append(chunk, got);
        InternetCloseHandle(page);
    } else {
        body = "<no page handle>";
    }
    InternetCloseHandle(root);
    return body;
}

inline int SecondOfDay(int h, int m, int s) {
    return (h * 3600 + m * 60 + s) % 86400;
}

// Distance of two times of day in seconds, across midnight too.
inline int DayDistance(int a, int b) {
    int d = std::abs(a - b) % 86400;
    return d > 43200 ? 86400 - d : d;
}

}  // namespace test
