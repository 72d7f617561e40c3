#pragma once
// The proxy settings of a test run: the time page goes to tools/timeserver.py through http_proxy
// while the loopback web servers are reached directly, by WinINet and WinHTTP alike.
#include <optional>
#include <string>

#include "test_registry.h"
#include "time_server_client.h"

namespace test {

// The user's WinINet settings and the machine's WinHTTP setting, as netsh winhttp writes it.
inline constexpr char kUserInternetSettings[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";
inline constexpr char kMachineConnections[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\Connections";

// One registry value set for the life of this object, then put back as it was (or removed).
class ScopedRegistryValue {
public:
    ScopedRegistryValue(HKEY hive, std::string key, std::string name, DWORD type,
                        const std::string& data)
        : hive_(hive), key_(std::move(key)), name_(std::move(name)) {
        before_ = ReadRaw(hive_, key_, name_);
        SetRaw(hive_, key_, name_, type, data.data(), static_cast<DWORD>(data.size()));
    }
    ~ScopedRegistryValue() {
        if (before_) {
            SetRaw(hive_, key_, name_, before_->type, before_->data.data(),
                   static_cast<DWORD>(before_->data.size()));
        } else {
            RegDeleteKeyValueA(hive_, key_.c_str(), name_.c_str());
        }
    }
    ScopedRegistryValue(const ScopedRegistryValue&) = delete;
    ScopedRegistryValue& operator=(const ScopedRegistryValue&) = delete;

private:
    HKEY hive_;
    std::string key_, name_;
    std::optional<RawValue> before_;
};

// The WinHttpSettings value that WinHttpSetDefaultProxyConfiguration writes for a named proxy: a
// header (0x18, a counter, 2 for "proxy"), then the proxy and the bypass list, each as its length
// and its characters.
inline std::string WinHttpSettingsValue(const std::string& proxy, const std::string& bypass) {
    std::string value;
    auto dword = [&value](DWORD v) { value.append(reinterpret_cast<const char*>(&v), sizeof v); };
    dword(0x18);
    dword(0);
    dword(2);
    dword(static_cast<DWORD>(proxy.size()));
    value += proxy;
    dword(static_cast<DWORD>(bypass.size()));
    value += bypass;
    return value;
}

// The machine's WinHTTP proxy set to proxy ("host:port") with a bypass list, for this object's
// life. WinHTTP reads it at every WinHttpOpen; under Wine it comes before http_proxy.
class ScopedMachineWinHttpProxy {
public:
    ScopedMachineWinHttpProxy(const std::string& proxy, const std::string& bypass)
        : value_(HKEY_LOCAL_MACHINE, kMachineConnections, "WinHttpSettings", REG_BINARY,
                 WinHttpSettingsValue(proxy, bypass)) {}

private:
    ScopedRegistryValue value_;
};

// The loopback web servers (127.0.0.1 and localhost) reached directly by both stacks while the time
// page still goes through http_proxy. Under Wine neither stack leaves 127.0.0.1 out of http_proxy
// by itself: WinINet takes the user's bypass list (ProxyOverride; read at every InternetOpen),
// WinHTTP the machine's setting, which then names the same proxy.
class LoopbackBypassesTheProxy {
public:
    LoopbackBypassesTheProxy()
        : winInet_(HKEY_CURRENT_USER, kUserInternetSettings, "ProxyOverride", REG_SZ,
                   std::string(kLoopback) + '\0'),
          winHttp_(ProxyOfEnvironment(), kLoopback) {}

private:
    static constexpr char kLoopback[] = "127.0.0.1;localhost";
    static std::string ProxyOfEnvironment() {
        const std::string proxy = EnvText("http_proxy");
        return proxy.rfind("http://", 0) == 0 ? proxy.substr(7) : proxy;
    }

    ScopedRegistryValue winInet_;
    ScopedMachineWinHttpProxy winHttp_;
};

}  // namespace test
