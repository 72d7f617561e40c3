#pragma once
// What the time service goes by, read where the administrators and the installer put it: the
// sources it may sync from (the administrators' Group Policy list when there is one, otherwise the
// service's own, written by the installer) and every value the policy holds. The one reader of the
// policy key in the service; read at every request, so a change counts without a restart.
#include <string>
#include <vector>

#include "core/service/allow_list.h"
#include "core/service/status_message.h"

namespace timeservice {

struct AllowListInForce {
    horolux::service::AllowList list;
    std::vector<std::string> entries;  // as stored
    std::vector<std::string> ignored;  // entries that did not read
    bool fromPolicy = false;
    bool unreadable = false;  // a value of another type than REG_MULTI_SZ: nothing is allowed
};

AllowListInForce ReadAllowListInForce();

// Every value of the policy table that the administrators' policy holds, read as the program
// reads it: a value of another type than its policy writes is not held.
std::vector<horolux::service::PolicyValue> ReadPolicyInForce();

// Whether the policy holds RequireAuthenticated = 1: then every sync the service makes uses
// authenticated answers only, whatever its client asked.
bool PolicyRequiresAuthenticated();

}  // namespace timeservice
