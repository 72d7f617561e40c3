// The allow-list the service goes by: an administrator's policy list wins over the service's own,
// and a policy value that is no list allows nothing rather than falling back to a longer list.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/service/service_names.h"
#include "core/service/service_protocol.h"
#include "core/settings/policy.h"
#include "service/settings_in_force.h"
#include "service/sync_requests.h"
#include "service_test_support.h"
#include "test_registry.h"

namespace {

using horolux::SyncStatus;

// Refused requests touch no source, so the page's request needs no server here.
SyncStatus AskForThePage() {
    const auto bytes = horolux::service::EncodeRequest(horolux::SyncRequest{});
    const auto read = horolux::service::ReadAnswer(
        timeservice::Requests(horolux::SystemTime{}).Answer(bytes, "tester"));
    return read.answer ? read.answer->status : SyncStatus::BadRequest;
}

class AllowListInForce : public ::testing::Test {
protected:
    test::KeptAllowLists kept_;  // put back as they were
};

TEST_F(AllowListInForce, ThePolicysListWinsAndAnOddPolicyValueAllowsNothing) {
    test::WriteAllowList(horolux::service::kServiceKey, {"page"});
    timeservice::AllowListInForce inForce = timeservice::ReadAllowListInForce();
    EXPECT_FALSE(inForce.fromPolicy);
    EXPECT_TRUE(inForce.list.page);

    test::WriteAllowList(horolux::policy::kKey, {"server:127.0.0.1:1", "nonsense"});
    inForce = timeservice::ReadAllowListInForce();
    EXPECT_TRUE(inForce.fromPolicy);
    EXPECT_FALSE(inForce.list.page);
    EXPECT_EQ(inForce.list.servers.size(), 1u);
    EXPECT_EQ(inForce.ignored, std::vector<std::string>{"nonsense"});
    EXPECT_EQ(AskForThePage(), SyncStatus::NotAllowed) << "the service's own list no longer counts";

    test::SetRaw(HKEY_LOCAL_MACHINE, horolux::policy::kKey, horolux::service::kAllowedSourcesValue,
                 REG_SZ, "page", 5);
    inForce = timeservice::ReadAllowListInForce();
    EXPECT_TRUE(inForce.fromPolicy);
    EXPECT_TRUE(inForce.unreadable);
    EXPECT_EQ(AskForThePage(), SyncStatus::NotAllowed);
}

}  // namespace
