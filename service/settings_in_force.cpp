#include "service/settings_in_force.h"

#include <string_view>

#include "core/service/service_names.h"
#include "core/settings/config.h"
#include "core/settings/policy.h"
#include "platform/registry_profile.h"
#include "platform/win32.h"

namespace timeservice {

namespace {

namespace policy = horolux::policy;

// A key under HKEY_LOCAL_MACHINE, read only, as a profile's section.
struct MachineKey {
    platform::RegistryProfile store;
    std::string section;
};

MachineKey PolicyKey() {
    return {platform::RegistryProfile(policy::kRoot, HKEY_LOCAL_MACHINE,
                                      platform::RegistryProfile::Access::ReadOnly),
            policy::kSection};
}

MachineKey ServiceKey() {
    const std::string_view path = horolux::service::kServiceKey;
    const std::size_t cut = path.rfind('\\');
    return {platform::RegistryProfile(std::string(path.substr(0, cut)), HKEY_LOCAL_MACHINE,
                                      platform::RegistryProfile::Access::ReadOnly),
            std::string(path.substr(cut + 1))};
}

enum class Presence { Missing, List, OtherType };

Presence ListValue(MachineKey key, std::vector<std::string>& entries) {
    const char* name = horolux::service::kAllowedSourcesValue;
    const std::optional<DWORD> type = key.store.ValueType(key.section, name);
    if (!type) return Presence::Missing;
    if (*type != REG_MULTI_SZ) return Presence::OtherType;
    entries = key.store.ReadTextList(key.section, name);
    return Presence::List;
}

}  // namespace

AllowListInForce ReadAllowListInForce() {
    AllowListInForce inForce;
    Presence presence = ListValue(PolicyKey(), inForce.entries);
    inForce.fromPolicy = presence != Presence::Missing;
    if (!inForce.fromPolicy) presence = ListValue(ServiceKey(), inForce.entries);
    inForce.unreadable = presence == Presence::OtherType;
    horolux::service::AllowListRead read = horolux::service::ParseAllowList(inForce.entries);
    inForce.list = std::move(read.list);
    inForce.ignored = std::move(read.ignored);
    return inForce;
}

std::vector<horolux::service::PolicyValue> ReadPolicyInForce() {
    MachineKey key = PolicyKey();
    std::vector<horolux::service::PolicyValue> values;
    for (const policy::Value& value : policy::kValues) {
        if (!policy::Holds(key.store, value)) continue;
        horolux::service::PolicyValue held{value.name, value.kind, 0, {}};
        if (value.kind == policy::Kind::Number)
            held.number = key.store.ReadInt(key.section, value.name, 0);
        else if (value.kind == policy::Kind::Text)
            held.texts = {key.store.ReadText(key.section, value.name, "")};
        else
            held.texts = key.store.ReadTextList(key.section, value.name);
        values.push_back(std::move(held));
    }
    return values;
}

bool PolicyRequiresAuthenticated() {
    MachineKey key = PolicyKey();
    const char* name = horolux::config::kRequireAuthenticated.name;
    const policy::Value* value = policy::Find(name);
    return value && policy::Holds(key.store, *value) &&
           key.store.ReadInt(key.section, name, 0) == 1;
}

}  // namespace timeservice
