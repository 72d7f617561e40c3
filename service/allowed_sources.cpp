#include "service/allowed_sources.h"

#include "core/service/service_names.h"
#include "core/settings/policy.h"
#include "platform/handles.h"
#include "platform/registry_profile.h"
#include "platform/win32.h"

namespace service {

namespace {

enum class Presence { Missing, List, OtherType };

Presence ListValue(const char* keyPath, std::vector<std::string>& entries) {
    fw::RegistryKey key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyPath, 0, KEY_QUERY_VALUE, key.Receive()) !=
        ERROR_SUCCESS)
        return Presence::Missing;
    DWORD type = 0;
    if (RegQueryValueExA(key.Get(), horolux::service::kAllowedSourcesValue, nullptr, &type, nullptr,
                         nullptr) != ERROR_SUCCESS)
        return Presence::Missing;
    if (type != REG_MULTI_SZ) return Presence::OtherType;
    entries = fw::ReadTextListValue(key.Get(), horolux::service::kAllowedSourcesValue);
    return Presence::List;
}

}  // namespace

AllowListInForce ReadAllowListInForce() {
    AllowListInForce inForce;
    Presence presence = ListValue(horolux::policy::kKey, inForce.entries);
    inForce.fromPolicy = presence != Presence::Missing;
    if (!inForce.fromPolicy) presence = ListValue(horolux::service::kServiceKey, inForce.entries);
    inForce.unreadable = presence == Presence::OtherType;
    horolux::service::AllowListRead read = horolux::service::ParseAllowList(inForce.entries);
    inForce.list = std::move(read.list);
    inForce.ignored = std::move(read.ignored);
    return inForce;
}

}  // namespace service
