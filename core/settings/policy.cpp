#include "core/settings/policy.h"

#include "core/settings/config.h"

namespace horolux::policy {

const Value* Find(const std::string& name) {
    for (const Value& value : kValues)
        if (name == value.name) return &value;
    return nullptr;
}

bool Holds(SettingsStore& policy, const Value& value) {
    // The store tells no "missing" apart from the default it is given: two defaults that no
    // value can be both show whether one is there.
    switch (value.kind) {
        case Kind::Number:
            return policy.ReadInt(kSection, value.name, 0) ==
                   policy.ReadInt(kSection, value.name, 1);
        case Kind::Text:
            return policy.ReadText(kSection, value.name, "\x01") ==
                   policy.ReadText(kSection, value.name, "\x02");
        case Kind::TextList:
            return !policy.ReadTextList(kSection, value.name).empty();
    }
    return false;
}

std::vector<std::string> HeldNames(SettingsStore& policy) {
    std::vector<std::string> names;
    for (const Value& value : kValues)
        if (Holds(policy, value)) names.emplace_back(value.name);
    return names;
}

}  // namespace horolux::policy

namespace horolux {

bool WithPolicy::Held(const std::string& section, const std::string& name) const {
    if (section != config::kSection) return false;
    const policy::Value* value = policy::Find(name);
    return value && !value->service && policy::Holds(policy_, *value);
}

int WithPolicy::ReadInt(const std::string& section, const std::string& name, int fallback) {
    if (Held(section, name)) return policy_.ReadInt(policy::kSection, name, fallback);
    return below_.ReadInt(section, name, fallback);
}

std::string WithPolicy::ReadText(const std::string& section, const std::string& name,
                                 const std::string& fallback) {
    if (Held(section, name)) return policy_.ReadText(policy::kSection, name, fallback);
    return below_.ReadText(section, name, fallback);
}

std::vector<std::string> WithPolicy::ReadTextList(const std::string& section,
                                                  const std::string& name) {
    if (Held(section, name)) return policy_.ReadTextList(policy::kSection, name);
    return below_.ReadTextList(section, name);
}

void WithPolicy::WriteInt(const std::string& section, const std::string& name, int value) {
    if (!Held(section, name)) below_.WriteInt(section, name, value);
}

void WithPolicy::WriteText(const std::string& section, const std::string& name,
                           const std::string& value) {
    if (!Held(section, name)) below_.WriteText(section, name, value);
}

void WithPolicy::WriteTextList(const std::string& section, const std::string& name,
                               const std::vector<std::string>& value) {
    if (!Held(section, name)) below_.WriteTextList(section, name, value);
}

}  // namespace horolux
