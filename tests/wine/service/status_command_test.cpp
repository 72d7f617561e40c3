// "HoroluxTime.exe --status", run as a child process against a service this test runs on a pipe of
// its own (timeservice::Serve, the installed service's life without the service manager): its exit
// code for a service it cannot reach, one that has not synced, one whose last sync failed and one
// whose last sync set the clock, and what it prints, its JSON read back.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <thread>

#include "core/service/service_names.h"
#include "core/service/status_report.h"
#include "core/settings/policy.h"
#include "proxy_settings.h"
#include "service/time_service.h"
#include "service_test_support.h"
#include "test_registry.h"
#include "tests/support/child_process.h"
#include "tests/support/json_reader.h"
#include "tests/support/sync_request_of.h"
#include "time_server_client.h"

namespace {

using horolux::SyncRequest;
using horolux::TimeSource;
using test::Json;
using test::RequestOf;

// HoroluxTime.exe with these arguments, to its end.
test::ChildRun RunTimeExe(const std::string& arguments) {
    return test::RunToEnd(std::string("Z:") + HOROLUX_TIME_EXE, arguments);
}

class StatusCommand : public ::testing::Test {
protected:
    void SetUp() override {
        name_ = "\\\\.\\pipe\\HoroluxTimeStatus" + std::to_string(GetCurrentProcessId());
        stop_.Reset(CreateEventA(nullptr, TRUE, FALSE, nullptr));
        running_.Reset(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    }
    void TearDown() override {
        SetEvent(stop_.Get());
        if (serving_.joinable()) serving_.join();
    }
    void Serve() {
        serving_ = std::thread([this] {
            timeservice::Serve(name_, stop_.Get(), [this] { SetEvent(running_.Get()); });
        });
        ASSERT_EQ(WaitForSingleObject(running_.Get(), 10000), WAIT_OBJECT_0);
    }
    void Allow(const std::vector<std::string>& entries) {
        test::WriteAllowList(horolux::service::kServiceKey, entries);
    }
    void Sync(const SyncRequest& request) {
        const auto answer = test::AskPipe(name_, horolux::service::EncodeRequest(request));
        ASSERT_TRUE(horolux::service::ReadAnswer(answer).answer) << "the sync was answered";
    }
    // --status --json: its exit code, and what it printed read as JSON.
    Json Status(DWORD expectedExitCode) {
        const test::ChildRun run = RunTimeExe("--status --json --pipe " + name_);
        EXPECT_EQ(run.exitCode, expectedExitCode) << run.output;
        const std::optional<Json> json = test::ParseJson(run.output);
        EXPECT_TRUE(json && json->type == Json::Type::Object) << run.output;
        return json.value_or(Json{});
    }

    std::string name_;
    platform::KernelHandle stop_, running_;
    std::thread serving_;
    test::KeptAllowLists kept_;  // put back as they were
};

TEST_F(StatusCommand, ExitCodeAndJsonFollowTheServiceAndItsLastSync) {
    using horolux::service::kStatusNotSynced;
    using horolux::service::kStatusSynced;
    using horolux::service::kStatusUnreachable;
    Json json = Status(kStatusUnreachable);
    EXPECT_NE(json["error"].text.find(name_), std::string::npos) << json["error"].text;

    Allow({"server:127.0.0.1:9", "nonsense"});
    const DWORD timeSource = 3;
    test::SetRaw(HKEY_LOCAL_MACHINE, horolux::policy::kKey, "TimeSource", REG_DWORD, &timeSource,
                 sizeof timeSource);
    const std::string autoSources("server:a.example\0server:b.example\0\0", 35);
    test::SetRaw(HKEY_LOCAL_MACHINE, horolux::policy::kKey, "AutoSources", REG_MULTI_SZ,
                 autoSources.data(), static_cast<DWORD>(autoSources.size()));
    Serve();
    json = Status(kStatusNotSynced);
    EXPECT_EQ(json["runningSince"].text.size(), 24u) << json["runningSince"].text;
    EXPECT_EQ(json["lastSync"].type, Json::Type::Null) << "none since the start";
    EXPECT_FALSE(json["allowList"]["fromPolicy"].boolean);
    EXPECT_EQ(json["allowList"]["entries"].items.size(), 2u);
    EXPECT_EQ(json["allowList"]["ignored"][0].text, "nonsense");
    EXPECT_EQ(json["policy"]["TimeSource"].text, "3");
    EXPECT_EQ(json["policy"]["AutoSources"][1].text, "server:b.example");
    EXPECT_EQ(json["policy"].members.size(), 2u) << "only the values the policy holds";

    Sync(RequestOf(TimeSource::TimeServer, "127.0.0.1:9"));
    json = Status(kStatusNotSynced);
    const Json& failed = json["lastSync"];
    EXPECT_EQ(failed["outcome"].text, "connect failed");
    EXPECT_FALSE(failed["succeeded"].boolean);
    EXPECT_EQ(failed["source"].text, "127.0.0.1:9");
    EXPECT_TRUE(test::IsThisUser(failed["for"].text)) << failed["for"].text;
    EXPECT_EQ(failed["offset"].type, Json::Type::Null);

    const std::string port = test::EnvText("HOROLUX_SNTPSERVER_PORT");
    if (port.empty()) GTEST_SKIP() << "no loopback SNTP server (script/test) for a sync that sets";
    ASSERT_EQ(test::ServerGet(std::atoi(port.c_str()), "/control?mode=now&offset=0"), "ok\n");
    // Several sources, one of them not allowed: an answer with rows, and a status answer longer
    // than the pipe's buffer.
    const std::string server = "127.0.0.1:" + port;
    Allow({"server:" + server});
    Sync(RequestOf(TimeSource::Automatic, "server:" + server + " server:127.0.0.1:9"));
    json = Status(kStatusSynced);
    const Json& set = json["lastSync"];
    EXPECT_EQ(set["outcome"].text, "ok");
    EXPECT_TRUE(set["succeeded"].boolean);
    EXPECT_EQ(set["source"].text, "several time sources");
    EXPECT_EQ(set["offset"].type, Json::Type::Number);
    EXPECT_LT(std::abs(set["offset"].number), 0.5);
    EXPECT_GT(set["bound"].number, 0.0);
    EXPECT_EQ(set["sources"][0]["name"].text, server);
    EXPECT_EQ(set["sources"][0]["verdict"].text, "used");
    EXPECT_EQ(set["sources"][0]["offset"].type, Json::Type::Number);
    EXPECT_EQ(set["sources"][1]["verdict"].text, "not allowed");

    const test::ChildRun text = RunTimeExe("--status --pipe " + name_);
    EXPECT_EQ(text.exitCode, static_cast<DWORD>(kStatusSynced));
    EXPECT_NE(text.output.find("Last sync: "), std::string::npos) << text.output;
    EXPECT_NE(text.output.find("  Outcome: ok"), std::string::npos) << text.output;
    EXPECT_NE(text.output.find("  TimeSource = 3"), std::string::npos) << text.output;
}

}  // namespace
