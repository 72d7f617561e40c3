#include "core/settings/policy.h"

namespace horolux::policy {

const Value* Find(const std::string& name) {
    for (const Value& value : kValues)
        if (name == value.name) return &value;
    return nullptr;
}

}  // namespace horolux::policy
