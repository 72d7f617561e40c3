#pragma once
// The sources the time service may sync from: the administrators' Group Policy list when there
// is one, otherwise the service's own (written by the installer). Read at every request, so a
// change counts without a restart.
#include <string>
#include <vector>

#include "core/service/allow_list.h"

namespace service {

struct AllowListInForce {
    horolux::service::AllowList list;
    std::vector<std::string> entries;  // as stored
    std::vector<std::string> ignored;  // entries that did not read
    bool fromPolicy = false;
    bool unreadable = false;  // a value of another type than REG_MULTI_SZ: nothing is allowed
};

AllowListInForce ReadAllowListInForce();

}  // namespace service
