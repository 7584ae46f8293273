#include "TestPki.h"
#include "speech/CWebSocketPath.h"
#include "speech_vendors/FakeStreamServer.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <dirent.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

#include <atomic>
#include <cstdlib>
#include <memory>

namespace {

// The TCP_NODELAY option of this process's sockets connected to the given loopback port (the
// client ends of connections to a local server): one entry per socket.
std::vector<int> NoDelayOfClientsOf(std::uint16_t port) {
    std::vector<int> found;
    DIR* fds = opendir("/proc/self/fd");
    if (fds == nullptr)
        return found;
    while (const dirent* entry = readdir(fds)) {
        const int fd = std::atoi(entry->d_name);
        if (fd <= 2 || fd == dirfd(fds))
            continue;
        sockaddr_in peer{};
        socklen_t length = sizeof peer;
        if (getpeername(fd, reinterpret_cast<sockaddr*>(&peer), &length) != 0 ||
            peer.sin_family != AF_INET || ntohs(peer.sin_port) != port)
            continue;
        int noDelay = 0;
        socklen_t size = sizeof noDelay;
        if (getsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &noDelay, &size) == 0)
            found.push_back(noDelay != 0 ? 1 : 0);
    }
    closedir(fds);
    return found;
}

// What the path's handlers have seen.
struct Outcomes {
    std::atomic<int> opens{0};
    std::atomic<int> failures{0};
    std::atomic<int> ended{0};

    CWebSocketPath::Handlers Handlers() {
        CWebSocketPath::Handlers handlers;
        handlers.onOpen = [this] { ++opens; };
        handlers.onFailed = [this](int) { ++failures; };
        handlers.onEnded = [this] { ++ended; };
        return handlers;
    }
};

struct TransportRow {
    const char* name;
    CWebSocketPath::Transport transport;
};

class WebSocketTransportTest : public testing::TestWithParam<TransportRow> {};

// Audio frames are small and go out as two writes each; with Nagle's algorithm on, the second
// write of every frame waits for the peer's delayed acknowledgement (tens of milliseconds).
TEST_P(WebSocketTransportTest, TheClientSocketSendsWithoutNaglesDelay) {
    const bool tls = GetParam().transport == CWebSocketPath::Transport::Tls;
    FakeStreamServer::Options options;
    if (tls) {
        options.certFile = SharedPki().trustedCert;
        options.keyFile = SharedPki().trustedKey;
    }
    FakeStreamServer server(options);
    ASSERT_TRUE(server.Listening());
    Outcomes outcomes;
    auto path =
        CWebSocketPath::Create(GetParam().transport, SharedPki().trustedCa, outcomes.Handlers());
    ASSERT_TRUE(path->Connect(server.Address("/stream")));
    ASSERT_TRUE(WaitFor([&] { return outcomes.opens + outcomes.failures > 0; }));
    ASSERT_EQ(outcomes.opens, 1);

    EXPECT_EQ(NoDelayOfClientsOf(server.Port()), std::vector<int>{1});
    EXPECT_TRUE(path->Send("{}"));
    ASSERT_TRUE(WaitFor([&] { return server.Frames().size() == 1; }));
    EXPECT_TRUE(path->Close());
    ASSERT_TRUE(WaitFor([&] { return !path->IsBusy(); }));
}

INSTANTIATE_TEST_SUITE_P(Transports, WebSocketTransportTest,
                         testing::Values(TransportRow{"Plain", CWebSocketPath::Transport::Plain},
                                         TransportRow{"Tls", CWebSocketPath::Transport::Tls}),
                         [](const auto& info) { return std::string(info.param.name); });

// One connection after another on one path, as sessions follow each other: the TLS context the
// path keeps between them must go on checking the chain and the host name of each.
TEST(WebSocketTlsContext, EverySessionIsVerifiedForItsOwnHost) {
    FakeStreamServer::Options trustedOptions;
    trustedOptions.certFile = SharedPki().trustedCert;
    trustedOptions.keyFile = SharedPki().trustedKey;
    FakeStreamServer trusted(trustedOptions);
    FakeStreamServer::Options strangerOptions;
    strangerOptions.certFile = SharedPki().strangerCert;
    strangerOptions.keyFile = SharedPki().strangerKey;
    FakeStreamServer stranger(strangerOptions);
    ASSERT_TRUE(trusted.Listening());
    ASSERT_TRUE(stranger.Listening());

    Outcomes outcomes;
    auto path = CWebSocketPath::Create(CWebSocketPath::Transport::Tls, SharedPki().trustedCa,
                                       outcomes.Handlers());
    // The certificates name localhost only, so 127.0.0.1 is a host they do not match.
    const std::string byAddress = "wss://127.0.0.1:" + std::to_string(trusted.Port()) + "/s";
    struct Step {
        std::string address;
        bool opens;
    };
    const std::vector<Step> steps = {
        {trusted.Address("/s"), true}, {byAddress, false},
        {trusted.Address("/s"), true}, {stranger.Address("/s"), false},
        {trusted.Address("/s"), true},
    };
    int expectedOpens = 0;
    int expectedFailures = 0;
    for (std::size_t i = 0; i < steps.size(); ++i) {
        SCOPED_TRACE("step " + std::to_string(i) + ": " + steps[i].address);
        const int ended = outcomes.ended;
        const int settled = outcomes.opens + outcomes.failures;
        ASSERT_TRUE(path->Connect(steps[i].address));
        ASSERT_TRUE(WaitFor([&] { return outcomes.opens + outcomes.failures > settled; }));
        (steps[i].opens ? expectedOpens : expectedFailures)++;
        EXPECT_EQ(outcomes.opens, expectedOpens);
        EXPECT_EQ(outcomes.failures, expectedFailures);
        path->Close();
        ASSERT_TRUE(WaitFor([&] { return outcomes.ended > ended && !path->IsBusy(); }));
    }
    EXPECT_EQ(trusted.Opens(), 3);
    EXPECT_EQ(stranger.Opens(), 0);
}

} // namespace
