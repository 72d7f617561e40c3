// The time service's pipe under load it must survive: requests too long or too slow, clients
// that vanish, clients that queue, a stranger holding the name, and a stop while idle.
#include "service/pipe_server.h"

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>

#include "service_test_support.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

// A server on a pipe of its own name, serving on a thread until the test ends.
class PipeServerTest : public ::testing::Test {
protected:
    void SetUp() override {
        name_ = "\\\\.\\pipe\\HoroluxTimeTest" + std::to_string(GetCurrentProcessId()) + "_" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name();
        stop_.Reset(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    }
    void TearDown() override {
        SetEvent(stop_.Get());
        if (thread_.joinable()) thread_.join();
    }
    void Serve(timeservice::PipeLimits limits = {}) {
        server_ = std::make_unique<timeservice::PipeServer>(
            name_,
            [this](std::span<const std::uint8_t> request, const std::string& client) {
                ++served_;
                lastSize_ = request.size();
                const std::lock_guard<std::mutex> lock(clientMutex_);
                lastClient_ = client;
                // Echoes the request reversed, so an answer shows which request it belongs to.
                return Bytes(request.rbegin(), request.rend());
            },
            limits);
        ASSERT_EQ(server_->Open(), 0u);
        thread_ = std::thread([this] { server_->Run(stop_.Get()); });
    }
    platform::FileHandle Connect() {
        for (int i = 0; i < 100; ++i) {
            platform::FileHandle pipe(CreateFileA(name_.c_str(), GENERIC_READ | GENERIC_WRITE, 0,
                                                  nullptr, OPEN_EXISTING, 0, nullptr));
            if (pipe) {
                DWORD mode = PIPE_READMODE_MESSAGE;
                SetNamedPipeHandleState(pipe.Get(), &mode, nullptr, nullptr);
                return pipe;
            }
            if (GetLastError() != ERROR_PIPE_BUSY) break;
            WaitNamedPipeA(name_.c_str(), 100);
        }
        return {};
    }
    // One request and its answer over a new connection; "<none>" when no answer came.
    std::string Ask(const std::string& request) {
        const platform::FileHandle pipe = Connect();
        if (!pipe) return "<no connection>";
        DWORD bytes = 0;
        if (!WriteFile(pipe.Get(), request.data(), static_cast<DWORD>(request.size()), &bytes,
                       nullptr))
            return "<not written>";
        char answer[8192];
        if (!ReadFile(pipe.Get(), answer, sizeof answer, &bytes, nullptr)) return "<none>";
        return std::string(answer, bytes);
    }

    std::string name_;
    platform::KernelHandle stop_;
    std::unique_ptr<timeservice::PipeServer> server_;
    std::thread thread_;
    std::atomic<int> served_{0};
    std::atomic<std::size_t> lastSize_{0};
    std::mutex clientMutex_;
    std::string lastClient_;
};

TEST_F(PipeServerTest, EachClientGetsTheAnswerToItsOwnRequestInTurn) {
    Serve();
    EXPECT_EQ(Ask("abc"), "cba");
    EXPECT_EQ(Ask("sync now"), "won cnys");
    // Clients that arrive together are served one after the other.
    std::string answers[4];
    std::thread clients[4];
    for (int i = 0; i < 4; ++i)
        clients[i] = std::thread([&, i] { answers[i] = Ask(std::string(1, 'a' + i) + "z"); });
    for (auto& c : clients) c.join();
    for (int i = 0; i < 4; ++i) EXPECT_EQ(answers[i], "z" + std::string(1, 'a' + i));
    EXPECT_EQ(served_, 6);
    const std::lock_guard<std::mutex> lock(clientMutex_);
    EXPECT_TRUE(test::IsThisUser(lastClient_)) << "the handler is told who asked: " << lastClient_;
}

TEST_F(PipeServerTest, AnOversizedRequestReachesTheHandlerCutOneByteOverTheLimit) {
    timeservice::PipeLimits limits;
    limits.maxRequest = 16;
    Serve(limits);
    // The writer of so much may see its write fail once the server has answered and gone on.
    Ask(std::string(5000, 'x'));
    EXPECT_EQ(lastSize_, 17u);
    EXPECT_EQ(Ask("ok"), "ko") << "the next client is served as usual";
}

TEST_F(PipeServerTest, ASilentOrVanishingClientCostsOnlyItsOwnConnection) {
    timeservice::PipeLimits limits;
    limits.requestTimeoutMs = 300;
    Serve(limits);
    {
        // Connects and says nothing: given up after the request time-out.
        const platform::FileHandle silent = Connect();
        ASSERT_TRUE(silent);
        char buffer[16];
        DWORD bytes = 0;
        EXPECT_FALSE(ReadFile(silent.Get(), buffer, sizeof buffer, &bytes, nullptr));
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PIPE_NOT_CONNECTED))
            << "the server hung up on it";
    }
    {
        // Sends a request and goes away before the answer.
        const platform::FileHandle gone = Connect();
        ASSERT_TRUE(gone);
        DWORD bytes = 0;
        WriteFile(gone.Get(), "bye", 3, &bytes, nullptr);
    }
    EXPECT_EQ(Ask("next"), "txen");
}

TEST_F(PipeServerTest, ANameAlreadyTakenIsNotServedAndStopEndsAnIdleServer) {
    Serve();
    timeservice::PipeServer second(
        name_, [](std::span<const std::uint8_t>, const std::string&) { return Bytes{}; });
    EXPECT_NE(second.Open(), 0u) << "no instance beside the first";
    SetEvent(stop_.Get());
    thread_.join();
    EXPECT_EQ(served_, 0);
}

}  // namespace
