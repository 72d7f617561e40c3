// "HoroluxTime.exe --status" against the installed, running service: an allow-list that the
// administrators' policy sets by hand, one sync through the service, and what the status command
// says all agree.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "core/service/service_names.h"
#include "core/service/status_report.h"
#include "core/settings/policy.h"
#include "install_session.h"
#include "proxy_settings.h"
#include "test_registry.h"
#include "tests/support/child_process.h"
#include "tests/support/json_reader.h"
#include "tests/support/sync_request_of.h"
#include "time_server_client.h"
#include "ui/sync/time_service_client.h"

namespace {

using horolux::SyncStatus;
using horolux::TimeSource;
using test::Json;
using namespace install;

class InstalledStatus : public ::testing::Test {
protected:
    void TearDown() override { test::DeleteTree(HKEY_LOCAL_MACHINE, horolux::policy::kRoot); }
};

TEST_F(InstalledStatus, APolicySetByHandOneSyncAndTheStatusAgree) {
    ASSERT_EQ(FirstInstallExitCode(), 0u) << "not installed; log: " << LastMsiexecLog();
    ASSERT_TRUE(WaitForServiceState(SERVICE_RUNNING, 30000));
    const std::string port = test::EnvText("HOROLUX_SNTPSERVER_PORT");
    ASSERT_FALSE(port.empty()) << "no loopback SNTP server (script/test starts one)";
    ASSERT_EQ(test::ServerGet(std::atoi(port.c_str()), "/control?mode=now&offset=0"), "ok\n");
    const std::string server = "127.0.0.1:" + port;
    WriteMultiSz(HKEY_LOCAL_MACHINE, horolux::policy::kKey, horolux::service::kAllowedSourcesValue,
                 {"server:" + server});

    const auto answer = ui::AskTimeService(test::RequestOf(TimeSource::TimeServer, server), [] {});
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->status, SyncStatus::Ok) << answer->failure;

    const test::ChildRun run =
        test::RunToEnd(InstallFolder() + "HoroluxTime.exe", "--status --json");
    EXPECT_EQ(run.exitCode, static_cast<DWORD>(horolux::service::kStatusSynced)) << run.output;
    const std::optional<Json> json = test::ParseJson(run.output);
    ASSERT_TRUE(json) << run.output;
    const Json& status = *json;
    EXPECT_TRUE(status["allowList"]["fromPolicy"].boolean);
    ASSERT_EQ(status["allowList"]["entries"].items.size(), 1u);
    EXPECT_EQ(status["allowList"]["entries"][0].text, "server:" + server);
    EXPECT_EQ(status["policy"]["AllowedSources"][0].text, "server:" + server);
    const Json& last = status["lastSync"];
    EXPECT_EQ(last["source"].text, server);
    EXPECT_EQ(last["outcome"].text, "ok");
    EXPECT_LT(std::abs(last["offset"].number - answer->offset / 1e6), 1e-6)
        << "the offset the sync's client was told";

    const test::ChildRun text = test::RunToEnd(InstallFolder() + "HoroluxTime.exe", "--status");
    EXPECT_EQ(text.exitCode, static_cast<DWORD>(horolux::service::kStatusSynced));
    EXPECT_NE(text.output.find("Allowed sources (Group Policy):"), std::string::npos)
        << text.output;
}

}  // namespace
