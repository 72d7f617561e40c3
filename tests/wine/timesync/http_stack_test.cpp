// The seam under the time sources' HTTP: what each stack's connection gives back, that it keeps
// one connection for all of a measurement's requests, and which proxy setting each stack takes.
#include "timesync/http_stack.h"

#include <gtest/gtest.h>
#include <winsock2.h>

#include <atomic>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "core/timesource/http_date.h"
#include "http_stacks.h"
#include "platform/handles.h"
#include "time_server_client.h"
#include "timesync/precise_clock.h"

using namespace timesync;  // the layer under test

namespace {

// A web server on a loopback port that counts the connections it accepts and answers every
// request over HTTP/1.1 keep-alive with its name and the current Date, without a body. Its
// threads wait on their socket and on a stop event together: under Wine, closing or shutting a
// socket down does not wake a thread blocked on it, and the stacks keep their idle connection
// open for a while after their handles are closed.
class CountingServer {
public:
    CountingServer() : stop_(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {
        WSADATA data{};
        started_ = WSAStartup(MAKEWORD(2, 2), &data) == 0;
        listener_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        int size = sizeof address;
        if (bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
            listen(listener_, 8) != 0 ||
            getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &size) != 0)
            return;
        port_ = ntohs(address.sin_port);
        acceptor_ = std::thread([this] { Accept(); });
    }
    ~CountingServer() {
        SetEvent(stop_.Get());
        if (acceptor_.joinable()) acceptor_.join();
        closesocket(listener_);
        if (started_) WSACleanup();
    }
    CountingServer(const CountingServer&) = delete;
    CountingServer& operator=(const CountingServer&) = delete;

    int Port() const { return port_; }
    int Connections() const { return connections_; }
    int Requests() const { return requests_; }

private:
    // Waits until socket s has one of the events, or the server stops (false). Leaves s
    // non-blocking.
    bool WaitFor(SOCKET s, long events) {
        const HANDLE ready = WSACreateEvent();
        WSAEventSelect(s, ready, events);
        const HANDLE both[] = {ready, stop_.Get()};
        const bool woken = WaitForMultipleObjects(2, both, FALSE, INFINITE) == WAIT_OBJECT_0;
        WSAEventSelect(s, nullptr, 0);
        WSACloseEvent(ready);
        return woken;
    }

    void Accept() {
        std::vector<std::thread> servers;
        while (WaitFor(listener_, FD_ACCEPT)) {
            const SOCKET client = accept(listener_, nullptr, nullptr);
            if (client == INVALID_SOCKET) continue;
            ++connections_;
            servers.emplace_back([this, client] { Serve(client); });
        }
        for (std::thread& t : servers) t.join();
    }

    void Serve(SOCKET client) {
        std::string received;
        char chunk[1024];
        while (WaitFor(client, FD_READ | FD_CLOSE)) {
            const int got = recv(client, chunk, sizeof chunk, 0);
            if (got == SOCKET_ERROR && WSAGetLastError() == WSAEWOULDBLOCK) continue;
            if (got <= 0) break;
            received.append(chunk, static_cast<std::size_t>(got));
            for (std::size_t end; (end = received.find("\r\n\r\n")) != std::string::npos;) {
                received.erase(0, end + 4);
                ++requests_;
                const std::string answer =
                    "HTTP/1.1 200 OK\r\nServer: CountingServer\r\nDate: " +
                    horolux::FormatHttpDate(timesync::PreciseNowMicros() /
                                            horolux::kMicrosPerSecond) +
                    "\r\nContent-Length: 3\r\n\r\n";  // what a GET would get; a HEAD gets none
                send(client, answer.data(), static_cast<int>(answer.size()), 0);
            }
        }
        closesocket(client);
    }

    platform::KernelHandle stop_;
    bool started_ = false;
    SOCKET listener_ = INVALID_SOCKET;
    int port_ = 0;
    std::atomic<int> connections_{0}, requests_{0};
    std::thread acceptor_;
};

class HttpConnections : public ::testing::TestWithParam<test::StackParam> {
protected:
    void SetUp() override {
        // Under Wine both stacks send loopback addresses to http_proxy too, when a run sets one.
        if (!test::EnvText("http_proxy").empty()) bypass_.emplace();
        ASSERT_GT(server_.Port(), 0);
    }

    CountingServer server_;
    std::optional<test::LoopbackBypassesTheProxy> bypass_;
};

TEST_P(HttpConnections, OneConnectionCarriesEveryHeadRequest) {
    const auto url = horolux::ParseHttpUrl("http://127.0.0.1:" + std::to_string(server_.Port()));
    ASSERT_TRUE(url);
    const auto connection = GetParam().stack().Connect(*url);
    ASSERT_TRUE(connection);
    for (int i = 1; i <= 4; ++i) {
        const horolux::UnixMicros before = timesync::PreciseNowMicros();
        const auto answer = connection->Head("/a%20b?c");
        ASSERT_TRUE(answer) << "request " << i;
        EXPECT_LE(before, answer->sent);
        EXPECT_LE(answer->sent, answer->answered);
        EXPECT_LE(answer->answered, PreciseNowMicros());
        EXPECT_EQ(answer->headers.rfind("HTTP/1.1 200 OK\r\n", 0), 0u) << answer->headers;
        EXPECT_NE(answer->headers.find("\r\nServer: CountingServer\r\n"), std::string::npos);
        EXPECT_NE(answer->headers.find("\r\nDate: "), std::string::npos);
        EXPECT_EQ(answer->headers.substr(answer->headers.size() - 4), "\r\n\r\n");
        EXPECT_EQ(server_.Requests(), i);
    }
    // A new connection for each request would add its set-up to every timed round trip.
    EXPECT_EQ(server_.Connections(), 1);
}

HOROLUX_FOR_BOTH_STACKS(HttpConnections);

// The service's stack takes the machine's proxy setting, not the user's: with the machine's
// proxy on a closed port its page fetch finds no way out, while the program's still reaches the
// time page through http_proxy.
TEST(ServiceHttpStack, TakesTheMachinesProxySetting) {
    const int port = std::atoi(test::EnvText("HOROLUX_TIMESERVER_PORT").c_str());
    if (port <= 0) GTEST_SKIP() << "no loopback time server (script/test starts one)";
    const int closed = std::atoi(test::ServerGet(port, "/control/closedport").c_str());
    ASSERT_GT(closed, 0);
    ASSERT_EQ(test::ServerGet(port, "/control?mode=now"), "ok\n");
    auto pageRequests = [port] {
        const std::string last = test::ServerGet(port, "/control/last");
        const auto at = last.find("count: ");
        return at == std::string::npos ? -1 : std::atoi(last.c_str() + at + 7);
    };
    const int before = pageRequests();

    const test::ScopedMachineWinHttpProxy machine("127.0.0.1:" + std::to_string(closed), "");
    std::vector<horolux::SyncPhase> phases;
    const TimePage service =
        WinHttpStack().FetchTimePage([&](horolux::SyncPhase p) { phases.push_back(p); });
    EXPECT_EQ(service.outcome, horolux::TimePageOutcome::ConnectFailed);
    EXPECT_EQ(phases, std::vector{horolux::SyncPhase::Connecting});
    EXPECT_EQ(pageRequests(), before);
    EXPECT_EQ(timesync::WinInetStack().FetchTimePage([](horolux::SyncPhase) {}).outcome,
              horolux::TimePageOutcome::Ok);
    EXPECT_EQ(pageRequests(), before + 1);
}

}  // namespace
