// Syncs through the installed, running time service against the loopback SNTP server and web
// clock (script/test starts them; they give the true time, which Wine's clock takes): straight
// over its pipe, and from the installed program. The web clock names who read it, which tells the
// service's requests from the program's own.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "core/service/service_names.h"
#include "core/service/status_report.h"
#include "driver.h"
#include "install_session.h"
#include "proxy_settings.h"
#include "resource.h"
#include "tests/support/child_process.h"
#include "tests/support/json_reader.h"
#include "tests/support/sync_request_of.h"
#include "ui/sync/time_service_client.h"

namespace {

using horolux::SyncAnswer;
using horolux::SyncRequest;
using horolux::SyncStatus;
using horolux::TimeSource;
using test::RequestOf;
using namespace install;

constexpr char kSuccess[] = " PC clock changed successfully ";
constexpr char kConfigKey[] = "Software\\Horolux\\Horolux\\Config";
constexpr char kServiceAgent[] = "clock agent: Horolux Time Service\n";
constexpr char kProgramAgent[] = "clock agent: Horolux\n";

class ThroughService : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(FirstInstallExitCode(), 0u) << "not installed; log: " << LastMsiexecLog();
        ASSERT_TRUE(WaitForServiceState(SERVICE_RUNNING, 30000));
        const std::string port = test::EnvText("HOROLUX_SNTPSERVER_PORT");
        ASSERT_FALSE(port.empty()) << "no loopback SNTP server (script/test starts one)";
        port_ = std::atoi(port.c_str());
        bypass_.emplace();
        server_ = "127.0.0.1:" + port;
        url_ = "http://" + server_ + "/clock";
        ASSERT_EQ(test::ServerGet(port_, "/control?mode=now&offset=0&dateform=imf"), "ok\n");
        saved_ = ReadMultiSz(HKEY_LOCAL_MACHINE, horolux::service::kServiceKey,
                             horolux::service::kAllowedSourcesValue);
        WriteMultiSz(HKEY_LOCAL_MACHINE, horolux::service::kServiceKey,
                     horolux::service::kAllowedSourcesValue,
                     {"page", "server:" + server_, "web:" + url_});
        test::DeleteTree(HKEY_CURRENT_USER, "Software\\Horolux");
    }
    void TearDown() override {
        if (saved_)
            WriteMultiSz(HKEY_LOCAL_MACHINE, horolux::service::kServiceKey,
                         horolux::service::kAllowedSourcesValue, *saved_);
        test::DeleteTree(HKEY_CURRENT_USER, "Software\\Horolux");
    }
    // The installed status command's JSON.
    static test::ChildRun Status() {
        return test::RunToEnd(InstallFolder() + "HoroluxTime.exe", "--status --json");
    }
    std::string ClockAgent() const {
        const std::string last = test::ServerGet(port_, "/control/last");
        const auto at = last.find("clock agent: ");
        return at == std::string::npos ? last : last.substr(at);
    }

    int port_ = 0;
    std::string server_, url_;
    std::optional<std::vector<std::string>> saved_;
    std::optional<test::LoopbackBypassesTheProxy> bypass_;  // the web clock itself, no proxy
};

TEST_F(ThroughService, TheServiceSetsFromAllowedSourcesAndRefusesOthers) {
    int progress = 0;
    const auto ask = [&](const SyncRequest& request) {
        return ui::AskTimeService(request, [&] { ++progress; });
    };
    const auto fromServer = ask(RequestOf(TimeSource::TimeServer, server_));
    ASSERT_TRUE(fromServer);
    EXPECT_EQ(fromServer->status, SyncStatus::Ok) << fromServer->failure;
    EXPECT_TRUE(fromServer->measured);
    EXPECT_LE(std::llabs(fromServer->offset), 500000);

    const auto fromWeb = ask(RequestOf(TimeSource::WebServer, url_));
    ASSERT_TRUE(fromWeb);
    EXPECT_EQ(fromWeb->status, SyncStatus::Ok) << fromWeb->failure;
    EXPECT_EQ(ClockAgent(), kServiceAgent);
    EXPECT_GT(progress, 0) << "the wait for the web clock's seconds showed progress";

    const auto offList = ask(RequestOf(TimeSource::TimeServer, "127.0.0.1:1"));
    ASSERT_TRUE(offList);
    EXPECT_EQ(offList->status, SyncStatus::NotAllowed);
    EXPECT_FALSE(offList->measured);
}

TEST_F(ThroughService, TheInstalledProgramSyncsThroughTheServiceAndAloneOffTheList) {
    const DWORD web = 2;
    test::SetRaw(HKEY_CURRENT_USER, kConfigKey, "TimeSource", REG_DWORD, &web, sizeof web);
    const auto syncFrom = [&](const std::string& url) {
        test::SetRaw(HKEY_CURRENT_USER, kConfigKey, "TimeWebUrl", REG_SZ, url.c_str(),
                     static_cast<DWORD>(url.size() + 1));
        driver::Program program;
        if (!program.Start(InstallFolder() + "Horolux.exe", InstallFolder()) ||
            !program.WaitForMainWindow())
            return std::string("<did not start>");
        driver::Click(program.MainWindow(), IDC_SYNC);
        driver::WaitUntil(
            [&] { return driver::ControlText(program.MainWindow(), IDC_STATUS) == kSuccess; },
            20000);
        const std::string status = driver::ControlText(program.MainWindow(), IDC_STATUS);
        program.EndWithOk();
        return status;
    };
    EXPECT_EQ(syncFrom(url_), kSuccess);
    EXPECT_EQ(ClockAgent(), kServiceAgent) << "the service read the clock";

    // Off the service's list: the program tries by itself, which Wine allows for a true time.
    EXPECT_EQ(syncFrom(url_ + "?alone"), kSuccess);
    EXPECT_EQ(ClockAgent(), kProgramAgent);
}

// The installed program's own default: several sources, measured by the service. The machine's
// Automatic list and the allow-list point at the loopback servers.
TEST_F(ThroughService, AUserWhoNeverChoseASourceSyncsFromSeveralThroughTheService) {
    constexpr char kDefaultsKey[] = "Software\\Horolux\\Horolux\\Defaults";
    const auto source = test::ReadRaw(HKEY_LOCAL_MACHINE, kDefaultsKey, "TimeSource");
    ASSERT_TRUE(source && source->type == REG_DWORD);
    EXPECT_EQ(*reinterpret_cast<const DWORD*>(source->data.data()), 3u) << "Automatic";
    const std::string second = "127.0.0.1:" + test::EnvText("HOROLUX_SNTPSERVER2_PORT");
    const std::vector<std::string> sources = {"server:" + server_, "server:" + second,
                                              "web:" + url_};
    WriteMultiSz(HKEY_LOCAL_MACHINE, horolux::service::kServiceKey,
                 horolux::service::kAllowedSourcesValue, sources);
    WriteMultiSz(HKEY_LOCAL_MACHINE, kDefaultsKey, "AutoSources", sources);

    driver::Program program;
    ASSERT_TRUE(program.Start(InstallFolder() + "Horolux.exe", InstallFolder()));
    ASSERT_TRUE(program.WaitForMainWindow());
    driver::Click(program.MainWindow(), IDC_SYNC);
    EXPECT_TRUE(driver::WaitUntil(
        [&] { return driver::ControlText(program.MainWindow(), IDC_STATUS) == kSuccess; }, 20000))
        << driver::ControlText(program.MainWindow(), IDC_STATUS);
    program.EndWithOk();
    WriteMultiSz(HKEY_LOCAL_MACHINE, kDefaultsKey, "AutoSources", {});
    EXPECT_EQ(ClockAgent(), kServiceAgent) << "the service read the web clock";
    const auto history = ReadMultiSz(HKEY_CURRENT_USER, kConfigKey, "SyncHistory");
    ASSERT_TRUE(history && !history->empty());
    EXPECT_NE(history->front().find("several time sources: " + server_ + " used"),
              std::string::npos)
        << history->front();
}

// chronyd serving NTS on loopback, its test authority trusted by the machine: the installed
// service measures it authenticated and keeps its cookies from one sync to the next.
TEST_F(ThroughService, TheServiceSetsFromAnAllowedNtsServer) {
    const std::string ke = test::EnvText("HOROLUX_NTS_KE_PORT");
    ASSERT_FALSE(ke.empty()) << "no loopback NTS server (script/test starts one)";
    const std::string nts = "localhost:" + ke;
    WriteMultiSz(HKEY_LOCAL_MACHINE, horolux::service::kServiceKey,
                 horolux::service::kAllowedSourcesValue, {"nts:" + nts});
    for (int sync = 0; sync < 2; ++sync) {
        const auto answer =
            ui::AskTimeService(RequestOf(TimeSource::Automatic, "nts:" + nts), [] {});
        ASSERT_TRUE(answer);
        EXPECT_EQ(answer->status, SyncStatus::Ok) << answer->failure;
        ASSERT_EQ(answer->sources.size(), 1u);
        EXPECT_EQ(horolux::VerdictText(answer->sources[0]), "used (authenticated)") << sync;
        EXPECT_LE(std::llabs(answer->offset), answer->bound);
    }
    const test::ChildRun status = Status();
    EXPECT_EQ(status.exitCode, static_cast<DWORD>(horolux::service::kStatusSynced));
    const std::optional<test::Json> json = test::ParseJson(status.output);
    ASSERT_TRUE(json) << status.output;
    EXPECT_EQ((*json)["lastSync"]["outcome"].text, "ok");
}

}  // namespace

namespace {

// A program that takes the pipe's name while the service is stopped keeps the service from
// starting, and is not believed: the program then syncs by itself.
TEST_F(ThroughService, APipeTakenBeforeTheServiceStartsIsNotAskedAndTheServiceComesBack) {
    {
        const platform::ServiceHandle service = OpenTimeService(SERVICE_STOP | SERVICE_START);
        ASSERT_TRUE(service);
        SERVICE_STATUS status{};
        ASSERT_TRUE(ControlService(service.Get(), SERVICE_CONTROL_STOP, &status));
        ASSERT_TRUE(WaitForServiceState(SERVICE_STOPPED, 30000));

        {
            const platform::FileHandle squatter(CreateNamedPipeA(
                horolux::service::kPipeName, PIPE_ACCESS_DUPLEX | FILE_FLAG_FIRST_PIPE_INSTANCE,
                PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE, 1, 4096, 4096, 0, nullptr));
            ASSERT_TRUE(squatter);
            EXPECT_FALSE(ui::AskTimeService(RequestOf(TimeSource::TimeServer, server_), [] {}));
            EXPECT_TRUE(WaitForServiceState(SERVICE_STOPPED, 30000))
                << "it could not open its pipe";
            EXPECT_EQ(Status().exitCode, static_cast<DWORD>(horolux::service::kStatusUnreachable));
        }
        // Once the name is free again, the service starts as before. (Started while the squatter
        // still held the name, it could find the name taken again and stop.)
        ASSERT_TRUE(StartServiceA(service.Get(), 0, nullptr) ||
                    GetLastError() == ERROR_SERVICE_ALREADY_RUNNING)
            << GetLastError();
    }
    ASSERT_TRUE(WaitForServiceState(SERVICE_RUNNING, 30000));
    ASSERT_TRUE(WaitUntilPipeAnswers(30000));
    const test::ChildRun fresh = Status();
    EXPECT_EQ(fresh.exitCode, static_cast<DWORD>(horolux::service::kStatusNotSynced));
    EXPECT_NE(fresh.output.find("\"lastSync\":null"), std::string::npos)
        << "a restarted service has made no sync: " << fresh.output;
    const auto answer = ui::AskTimeService(RequestOf(TimeSource::TimeServer, server_), [] {});
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->status, SyncStatus::Ok) << answer->failure;
    EXPECT_EQ(Status().exitCode, static_cast<DWORD>(horolux::service::kStatusSynced));
}

}  // namespace
