// Prints the policy table, "NAME KIND" a line, for the check of the administrative template
// (policy_templates_check.py), so the template is compared with what the code reads.
#include <cstdio>

#include "core/settings/policy.h"

int main() {
    using horolux::policy::Kind;
    std::printf("key %s\n", horolux::policy::kKey);
    for (const auto& value : horolux::policy::kValues)
        std::printf("%s %s\n", value.name,
                    value.kind == Kind::Number ? "number"
                    : value.kind == Kind::Text ? "text"
                                               : "list");
}
