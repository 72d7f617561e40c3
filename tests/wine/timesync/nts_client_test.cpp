// The NTS source against Debian's chronyd serving NTS on loopback (script/test starts it with a
// certificate from a test authority that the Wine prefix trusts, a second one with a self-signed
// certificate, and tools/ntskeserver.py for key establishments that go wrong), and through a UDP
// relay in this process that tampers with the answers.
#include "timesync/nts_client.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "platform/sockets.h"  // first: Winsock before the other Windows headers
#include "time_server_client.h"
#include "timesync/nts_key_establishment.h"
#include "timesync/precise_clock.h"
#include "timesync/server_certificate.h"
// clang-format off
#include <wincrypt.h>  // after the Windows headers, whose types it needs
// clang-format on

using namespace timesync;  // the layer under test

namespace {

using horolux::ServerAddress;
using horolux::TimeMeasurement;

ServerAddress Address(const std::string& host, const std::string& port) {
    return {host, static_cast<std::uint16_t>(std::atoi(port.c_str()))};
}

// Between the client and chronyd's NTP port: passes requests on and answers back, or tampers.
class Relay {
public:
    enum class Mode { Pass, ChangeAuthenticator, ChangeTimestamp, Replay, Drop };

    explicit Relay(std::uint16_t serverPort) {
        sockaddr_in at{};
        at.sin_family = AF_INET;
        at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socket_.Reset(socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP));
        bind(socket_.Get(), reinterpret_cast<sockaddr*>(&at), sizeof at);
        int size = sizeof at;
        getsockname(socket_.Get(), reinterpret_cast<sockaddr*>(&at), &size);
        port_ = ntohs(at.sin_port);
        server_ = at;
        server_.sin_port = htons(serverPort);
        thread_ = std::thread([this] { Run(); });
    }
    ~Relay() {
        stop_ = true;
        thread_.join();
    }
    std::uint16_t Port() const { return port_; }
    void SetMode(Mode mode) { mode_ = mode; }
    int Answers() const { return answers_; }  // from the server, whatever became of them

private:
    void Run() {
        sockaddr_in client{};
        std::vector<std::uint8_t> first;
        while (!stop_) {
            fd_set readable;
            FD_ZERO(&readable);
            FD_SET(socket_.Get(), &readable);
            timeval wait{0, 20000};
            if (select(0, &readable, nullptr, nullptr, &wait) != 1) continue;
            std::vector<std::uint8_t> d(16384);
            sockaddr_in from{};
            int size = sizeof from;
            const int got =
                recvfrom(socket_.Get(), reinterpret_cast<char*>(d.data()),
                         static_cast<int>(d.size()), 0, reinterpret_cast<sockaddr*>(&from), &size);
            if (got <= 0) continue;
            d.resize(static_cast<std::size_t>(got));
            if (from.sin_port != server_.sin_port) {
                client = from;
                Send(d, server_);
                continue;
            }
            ++answers_;
            if (first.empty()) first = d;
            switch (mode_.load()) {
                case Mode::Pass:
                    break;
                case Mode::ChangeAuthenticator:
                    d[d.size() - 1] ^= 0x01;  // the last byte: the authenticator's ciphertext
                    break;
                case Mode::ChangeTimestamp:
                    d[47] ^= 0x01;  // the transmit timestamp's lowest byte
                    break;
                case Mode::Replay:
                    d = first;
                    break;
                case Mode::Drop:
                    continue;
            }
            Send(d, client);
        }
    }
    void Send(const std::vector<std::uint8_t>& d, const sockaddr_in& to) {
        sendto(socket_.Get(), reinterpret_cast<const char*>(d.data()), static_cast<int>(d.size()),
               0, reinterpret_cast<const sockaddr*>(&to), sizeof to);
    }

    platform::WinsockSession winsock_;
    platform::Socket socket_;
    std::uint16_t port_ = 0;
    sockaddr_in server_{};
    std::atomic<Mode> mode_{Mode::Pass};
    std::atomic<int> answers_{0};
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

class NtsClient : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* name : {"HOROLUX_NTS_KE_PORT", "HOROLUX_NTS_NTP_PORT",
                                 "HOROLUX_NTS_UNTRUSTED_KE_PORT", "HOROLUX_NTS_FAKE_NO_AEAD_PORT",
                                 "HOROLUX_NTS_FAKE_ERROR_PORT", "HOROLUX_NTS_FAKE_WARNING_PORT",
                                 "HOROLUX_NTS_AHEAD_KE_PORT", "HOROLUX_NTS_BEHIND_KE_PORT"})
            if (test::EnvText(name).empty()) GTEST_SKIP() << name << " is not set (script/test)";
        chrony_ = Address("localhost", test::EnvText("HOROLUX_NTS_KE_PORT"));
    }
    TimeMeasurement Measure(const ServerAddress& server) {
        return MeasureNtsServer(server, refused_, {});
    }
    // Keys and cookies from chronyd, kept under a key-establishment server that does not exist,
    // so that a measurement of it can only use them; NTP goes to port.
    ServerAddress Borrowed(std::uint16_t port) {
        const NtsKeyEstablishment ke = EstablishNtsKeys(chrony_, 2000);
        EXPECT_EQ(ke.outcome, NtsKeyEstablishment::Outcome::Ok) << ke.failure;
        horolux::NtsSession session = ke.session;
        session.ntpHost = "127.0.0.1";
        session.ntpPort = port;
        const ServerAddress nowhere{"nowhere.invalid", 4460};
        NtsSessions().Store(nowhere.host, nowhere.port, std::move(session));
        return nowhere;
    }

    ServerAddress chrony_;
    horolux::RefusedServers refused_;
};

TEST_F(NtsClient, AChronyServerAnswersAuthenticatedAndItsCookiesServeTheNextMeasurements) {
    const TimeMeasurement m = Measure(chrony_);
    ASSERT_EQ(m.outcome, TimeMeasurement::Outcome::Ok) << m.failure;
    EXPECT_TRUE(m.authenticated);
    EXPECT_EQ(m.requests, horolux::kMaxNtpExchanges);
    // chronyd serves this machine's clock: the true offset is nil.
    EXPECT_LE(std::llabs(m.offset), m.bound);
    EXPECT_LT(m.bound, 50000);

    // Without a key establishment to fall back on, the kept cookies carry sync after sync: each
    // answer brings fresh ones.
    const ServerAddress borrowed = Borrowed(
        static_cast<std::uint16_t>(std::atoi(test::EnvText("HOROLUX_NTS_NTP_PORT").c_str())));
    for (int sync = 0; sync < 5; ++sync) {
        const TimeMeasurement again = Measure(borrowed);
        ASSERT_EQ(again.outcome, TimeMeasurement::Outcome::Ok) << "sync " << sync << again.failure;
        EXPECT_TRUE(again.authenticated);
    }
}

// chronyd three years ahead and behind (libfaketime), with certificates valid only around its
// own time: believed for what it vouches for, and its session not kept for syncs that judge no
// certificate, since the PC's clock does not accept it.
TEST_F(NtsClient, AServerYearsOffIsBelievedAtItsOwnTimeAndItsSessionIsNotKept) {
    constexpr double kYearsOff = 1095 * 86400e6;
    for (const auto& [port, sign] :
         {std::pair{"HOROLUX_NTS_AHEAD_KE_PORT", 1}, std::pair{"HOROLUX_NTS_BEHIND_KE_PORT", -1}}) {
        const ServerAddress server = Address("localhost", test::EnvText(port));
        const TimeMeasurement m = Measure(server);
        ASSERT_EQ(m.outcome, TimeMeasurement::Outcome::Ok) << port << ": " << m.failure;
        EXPECT_TRUE(m.authenticated) << port;
        EXPECT_NEAR(static_cast<double>(m.offset), sign * kYearsOff, 50e3) << port;
        EXPECT_EQ(NtsSessions().CookiesLeft(server.host, server.port), 0u) << port;
    }
}

TEST_F(NtsClient, TamperedReplayedOrLostAnswersAreNeverUsed) {
    Relay relay(
        static_cast<std::uint16_t>(std::atoi(test::EnvText("HOROLUX_NTS_NTP_PORT").c_str())));
    const struct {
        Relay::Mode mode;
        TimeMeasurement::Outcome outcome;
        const char* failure;
    } cases[] = {
        {Relay::Mode::Pass, TimeMeasurement::Outcome::Ok, ""},
        {Relay::Mode::ChangeAuthenticator, TimeMeasurement::Outcome::Refused,
         "The server's answer was refused (the answer's authenticator does not verify)"},
        {Relay::Mode::ChangeTimestamp, TimeMeasurement::Outcome::Refused,
         "The server's answer was refused (the answer's authenticator does not verify)"},
        // The first answer again: it answers another request.
        {Relay::Mode::Replay, TimeMeasurement::Outcome::Unreachable, "No answer from the server"},
        {Relay::Mode::Drop, TimeMeasurement::Outcome::Unreachable, "No answer from the server"},
    };
    for (const auto& c : cases) {
        relay.SetMode(c.mode);
        const int before = relay.Answers();
        const TimeMeasurement m = Measure(Borrowed(relay.Port()));
        EXPECT_EQ(m.outcome, c.outcome) << static_cast<int>(c.mode) << ": " << m.failure;
        EXPECT_EQ(m.failure, c.failure);
        EXPECT_EQ(m.authenticated, c.outcome == TimeMeasurement::Outcome::Ok);
        EXPECT_GT(relay.Answers(), before) << "chronyd answered; the relay decided";
    }
}

TEST_F(NtsClient, KeyEstablishmentsThatCannotBeTrustedAreRefusedInWords) {
    const struct {
        ServerAddress server;
        const char* failure;
    } cases[] = {
        // The certificate names localhost only.
        {Address("127.0.0.1", test::EnvText("HOROLUX_NTS_KE_PORT")),
         "The server's certificate is for another name"},
        // Its issuer is in no store and it sends no chain.
        {Address("localhost", test::EnvText("HOROLUX_NTS_UNTRUSTED_KE_PORT")),
         "The server's certificate does not lead to a trusted authority"},
        {Address("localhost", test::EnvText("HOROLUX_NTS_FAKE_NO_AEAD_PORT")),
         "The time server does not offer AES-SIV-CMAC-256"},
        {Address("localhost", test::EnvText("HOROLUX_NTS_FAKE_ERROR_PORT")),
         "The time server refused the request as bad"},
        {Address("localhost", test::EnvText("HOROLUX_NTS_FAKE_WARNING_PORT")),
         "The time server sent warning 1"},
    };
    for (const auto& c : cases) {
        const TimeMeasurement m = Measure(c.server);
        EXPECT_EQ(m.outcome, TimeMeasurement::Outcome::Refused) << c.server.port;
        EXPECT_EQ(m.failure, c.failure);
        EXPECT_FALSE(m.authenticated);
    }
}

// The certificates script/test made, judged directly: the test authority's is trusted by the
// prefix, a self-signed one is not.
TEST_F(NtsClient, WindowsJudgesTheCertificateForTheNameAsWritten) {
    const std::string ca = test::EnvText("HOROLUX_NTS_CA");
    const std::string dir = ca.substr(0, ca.find_last_of("/\\") + 1);
    const auto der = [&](const char* name) {
        std::string pem;
        if (FILE* f = std::fopen((dir + name).c_str(), "rb")) {
            char buffer[4096];
            for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, f)) > 0;)
                pem.append(buffer, n);
            std::fclose(f);
        }
        DWORD size = 0;
        CryptStringToBinaryA(pem.c_str(), 0, CRYPT_STRING_BASE64HEADER, nullptr, &size, nullptr,
                             nullptr);
        std::vector<std::uint8_t> bytes(size);
        CryptStringToBinaryA(pem.c_str(), 0, CRYPT_STRING_BASE64HEADER, bytes.data(), &size,
                             nullptr, nullptr);
        return bytes;
    };
    const std::vector<std::uint8_t> server = der("server.pem"), self = der("self.pem");
    ASSERT_FALSE(server.empty()) << dir;
    const horolux::UnixMicros now = PreciseNowMicros(), day = 86'400'000'000;
    EXPECT_EQ(ServerCertificateRefusal({server}, "localhost", now), std::nullopt);
    EXPECT_EQ(ServerCertificateRefusal({server}, "LOCALHOST", std::nullopt), std::nullopt);
    EXPECT_EQ(ServerCertificateRefusal({server}, "localhost.example", now),
              "The server's certificate is for another name");
    EXPECT_EQ(ServerCertificateRefusal({self}, "localhost", now),
              "The server's certificate is not from a trusted authority");
    EXPECT_EQ(ServerCertificateRefusal({std::vector<std::uint8_t>(20, 0x30)}, "localhost", now),
              "The server's certificate could not be read");
    // The test certificates are valid from yesterday for 30 days: judged at the time given.
    constexpr char kDates[] = "The server's certificate is expired or not yet valid";
    EXPECT_EQ(ServerCertificateRefusal({server}, "localhost", now + 60 * day), kDates);
    EXPECT_EQ(ServerCertificateRefusal({server}, "localhost", now - 3 * day), kDates);
    EXPECT_EQ(ServerCertificateRefusal({server}, "localhost", std::nullopt), std::nullopt)
        << "dates left to the caller";
    EXPECT_EQ(TimeSourceCertificateRefusal({server}, "localhost", 60 * day), kDates)
        << "a source vouching for a time its certificate does not cover";
    EXPECT_EQ(TimeSourceCertificateRefusal({server}, "localhost", 10 * day), std::nullopt);
}

}  // namespace
