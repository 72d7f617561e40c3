// The time service's records: the service records its start, its stop, a pipe it cannot make, a
// fault in a request and a faulty allow-list (once, until the fault changes). The records are
// caught through the seam, Wine's Event Log keeps nothing, and each is checked to carry exactly
// the inserts its message in HoroluxTime.exe's message table takes (service_test_support.h). The
// syncs' records are in sync_requests_test.cpp.
#include <gtest/gtest.h>

#include <atomic>
#include <span>
#include <stdexcept>
#include <string>
#include <thread>

#include "core/service/service_names.h"
#include "core/settings/policy.h"
#include "horolux_version.h"
#include "service/pipe_server.h"
#include "service/sync_requests.h"
#include "service/time_service.h"
#include "service_test_support.h"
#include "test_registry.h"

namespace {

using timeservice::EventType;
using timeservice::ServiceEvent;
using Inserts = std::vector<std::string>;

TEST(ServiceEvents, TheServiceRecordsItsStartItsStopAndAPipeItCannotMake) {
    test::EventCapture events;
    const std::string name =
        "\\\\.\\pipe\\HoroluxTimeEvents" + std::to_string(GetCurrentProcessId());
    const platform::KernelHandle stop(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    std::atomic<DWORD> result{1};
    std::thread serving([&] { result = timeservice::Serve(name, stop.Get(), [] {}); });
    std::vector<timeservice::EventRecord> records =
        events.TakeThrough(ServiceEvent::Started, 10000);
    ASSERT_FALSE(records.empty());
    EXPECT_EQ(records.front().event, ServiceEvent::Started);
    EXPECT_EQ(records.front().type, EventType::Information);
    EXPECT_EQ(records.front().inserts, Inserts{HOROLUX_VERSION_TEXT});

    bool ran = false;
    const DWORD error = timeservice::Serve(name, stop.Get(), [&] { ran = true; });
    EXPECT_NE(error, 0u) << "a second service on the same pipe";
    EXPECT_FALSE(ran);
    records = events.Take();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].event, ServiceEvent::StoppedOnError);
    EXPECT_EQ(records[0].type, EventType::Error);
    EXPECT_EQ(records[0].inserts,
              (Inserts{"its pipe " + name + " could not be made", std::to_string(error)}));

    SetEvent(stop.Get());
    serving.join();
    EXPECT_EQ(result, 0u);
    records = events.Take();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].event, ServiceEvent::Stopped);
    EXPECT_TRUE(records[0].inserts.empty());
}

TEST(ServiceEvents, AFaultInARequestIsRecordedAndEndsThatConnectionOnly) {
    test::EventCapture events;
    const std::string name =
        "\\\\.\\pipe\\HoroluxTimeFault" + std::to_string(GetCurrentProcessId());
    int asked = 0;
    timeservice::PipeServer server(
        name, [&](std::span<const std::uint8_t> request, const std::string&) {
            if (++asked == 1) throw std::runtime_error("a fault");
            return std::vector<std::uint8_t>(request.begin(), request.end());
        });
    ASSERT_EQ(server.Open(), 0u);
    const platform::KernelHandle stop(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    std::thread serving([&] { server.Run(stop.Get()); });
    EXPECT_TRUE(test::AskPipe(name, {1}).empty()) << "no answer to the request that failed";
    EXPECT_EQ(test::AskPipe(name, {2}), std::vector<std::uint8_t>{2}) << "the next one is served";
    SetEvent(stop.Get());
    serving.join();

    const std::vector<timeservice::EventRecord> records = events.Take();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].event, ServiceEvent::Fault);
    EXPECT_EQ(records[0].type, EventType::Error);
    ASSERT_EQ(records[0].inserts.size(), 1u);
    EXPECT_EQ(records[0].inserts[0].rfind("A request of ", 0), 0u) << records[0].inserts[0];
}

class AllowListFaults : public ::testing::Test {
protected:
    void Set(const char* key, DWORD type, const std::string& data) {
        test::SetRaw(HKEY_LOCAL_MACHINE, key, horolux::service::kAllowedSourcesValue, type,
                     data.data(), static_cast<DWORD>(data.size()));
    }
    test::KeptAllowLists kept_;  // put back as they were
};

TEST_F(AllowListFaults, AreRecordedOnceUntilTheFaultChanges) {
    const std::string own =
        std::string("HKEY_LOCAL_MACHINE\\") + horolux::service::kServiceKey + "\\AllowedSources";
    const std::string policy =
        std::string("HKEY_LOCAL_MACHINE\\") + horolux::policy::kKey + "\\AllowedSources";
    test::EventCapture events;
    timeservice::Requests requests(horolux::SystemTime{});

    Set(horolux::service::kServiceKey, REG_MULTI_SZ, std::string("page\0nonsense\0odd\0\0", 19));
    requests.ReadAllowList();
    requests.ReadAllowList();
    std::vector<timeservice::EventRecord> records = events.Take();
    ASSERT_EQ(records.size(), 1u) << "the same fault is recorded once";
    EXPECT_EQ(records[0].event, ServiceEvent::AllowListEntriesIgnored);
    EXPECT_EQ(records[0].type, EventType::Warning);
    EXPECT_EQ(records[0].inserts, (Inserts{own, "nonsense, odd"}));

    Set(horolux::policy::kKey, REG_SZ, std::string("page", 5));
    requests.ReadAllowList();
    records = events.Take();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].event, ServiceEvent::AllowListUnreadable);
    EXPECT_EQ(records[0].type, EventType::Error);
    EXPECT_EQ(records[0].inserts, Inserts{policy});

    // Mended, and broken again as before: recorded again.
    test::DeleteTree(HKEY_LOCAL_MACHINE, horolux::policy::kRoot);
    Set(horolux::service::kServiceKey, REG_MULTI_SZ, std::string("page\0\0", 6));
    requests.ReadAllowList();
    EXPECT_TRUE(events.Take().empty());
    Set(horolux::policy::kKey, REG_SZ, std::string("page", 5));
    requests.ReadAllowList();
    records = events.Take();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].event, ServiceEvent::AllowListUnreadable);
}

}  // namespace
