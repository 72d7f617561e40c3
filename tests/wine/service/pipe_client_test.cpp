// The one client of the time service's pipe (the program's sync and the status command ask
// through it), against the service's own server on a pipe of the test's: the answer comes back
// (one byte over the caller's limit at most, for its reader to refuse), and each safeguard says why
// it stopped.
#include "platform/pipe_client.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "service/pipe_server.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr platform::PipeTimeLimits kLimits{2000, 2000, 2000, 50};

// A server on a pipe of its own name that answers each request reversed, until the test ends.
class PipeClient : public ::testing::Test {
protected:
    void SetUp() override {
        name_ = "\\\\.\\pipe\\HoroluxClientTest" + std::to_string(GetCurrentProcessId()) + "_" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name();
        stop_.Reset(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    }
    void TearDown() override {
        SetEvent(stop_.Get());
        if (thread_.joinable()) thread_.join();
    }
    void Serve() {
        server_ = std::make_unique<timeservice::PipeServer>(
            name_, [](std::span<const std::uint8_t> request, const std::string&) {
                return Bytes(request.rbegin(), request.rend());
            });
        ASSERT_EQ(server_->Open(), 0u);
        thread_ = std::thread([this] { server_->Run(stop_.Get()); });
    }
    platform::PipeAnswer Ask(const char* serviceName, const Bytes& request, std::size_t maxAnswer) {
        return platform::AskOverPipe(name_.c_str(), serviceName, request, maxAnswer, kLimits,
                                     [] {});
    }

    std::string name_;
    platform::KernelHandle stop_;
    std::unique_ptr<timeservice::PipeServer> server_;
    std::thread thread_;
};

// A running service of another process than this one, to ask as the pipe's owner.
std::string RunningService() {
    const platform::ServiceHandle manager(
        OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT | SC_MANAGER_ENUMERATE_SERVICE));
    std::vector<BYTE> buffer(64 * 1024);
    DWORD needed = 0, count = 0, resume = 0;
    if (!manager ||
        !EnumServicesStatusExA(manager.Get(), SC_ENUM_PROCESS_INFO, SERVICE_WIN32, SERVICE_ACTIVE,
                               buffer.data(), static_cast<DWORD>(buffer.size()), &needed, &count,
                               &resume, nullptr))
        return {};
    const auto* services = reinterpret_cast<const ENUM_SERVICE_STATUS_PROCESSA*>(buffer.data());
    for (DWORD i = 0; i < count; ++i) {
        const SERVICE_STATUS_PROCESS& status = services[i].ServiceStatusProcess;
        if (status.dwCurrentState == SERVICE_RUNNING && status.dwProcessId != 0 &&
            status.dwProcessId != GetCurrentProcessId())
            return services[i].lpServiceName;
    }
    return {};
}

TEST_F(PipeClient, TheAnswerComesBackWithAtMostOneByteMoreThanTaken) {
    Serve();
    const platform::PipeAnswer reply = Ask(nullptr, {1, 2, 3}, 3);
    ASSERT_TRUE(reply.answer) << static_cast<int>(reply.failure) << " " << reply.error;
    EXPECT_EQ(*reply.answer, (Bytes{3, 2, 1}));
    EXPECT_EQ(reply.failure, platform::PipeFailure::None);

    // One byte over is handed on, so the caller's reader sees an answer that is too long.
    const platform::PipeAnswer overLimit = Ask(nullptr, {1, 2, 3, 4}, 3);
    ASSERT_TRUE(overLimit.answer);
    EXPECT_EQ(overLimit.answer->size(), 4u);

    const platform::PipeAnswer tooLong = Ask(nullptr, {1, 2, 3, 4, 5}, 3);
    EXPECT_FALSE(tooLong.answer);
    EXPECT_EQ(tooLong.failure, platform::PipeFailure::NoAnswer);
}

TEST_F(PipeClient, EachSafeguardSaysWhyItStopped) {
    platform::PipeAnswer reply = Ask(nullptr, {1}, 16);
    EXPECT_EQ(reply.failure, platform::PipeFailure::NotOpened) << "nobody serves the pipe yet";
    EXPECT_EQ(reply.error, static_cast<DWORD>(ERROR_FILE_NOT_FOUND));

    Serve();
    reply = Ask("HoroluxNoSuchService", {1}, 16);
    EXPECT_EQ(reply.failure, platform::PipeFailure::ServiceMissing);
    EXPECT_EQ(reply.error, static_cast<DWORD>(ERROR_SERVICE_DOES_NOT_EXIST));

    // Whoever made the pipe first owns the name: a server that is not the service's process is
    // not believed, however well it answers.
    const std::string other = RunningService();
    ASSERT_FALSE(other.empty()) << "Wine runs services of its own";
    reply = Ask(other.c_str(), {1}, 16);
    EXPECT_FALSE(reply.answer);
    EXPECT_EQ(reply.failure, platform::PipeFailure::OtherServer) << other;
}

}  // namespace
