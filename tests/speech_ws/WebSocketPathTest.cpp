#include "speech/CWebSocketPath.h"
#include "speech_ws/FakeXfServer.h"
#include "speech_ws/TestCertificates.h"

#include <gtest/gtest.h>

#include <thread>

namespace {

// The service hangs up on the first frame while another thread keeps sending, as the live
// stream's sender does when a server fails mid-stream. Sends and closes that race the hang-up
// must fail quietly and never reach the connection once its event loop has finished (under
// the address sanitizer that is a use after free; without it, a crash now and then).
TEST(WebSocketPath, SendsAndClosesRacingTheServersHangUpEndQuietly) {
    const TestCertificates& certs = TestCertificates::Get();
    ASSERT_TRUE(certs.ok);
    FakeXfServer server(certs.serverCert, certs.serverKey,
                        [](FakeXfServer& s, const std::string&) { s.CloseConnection(1011); });
    ASSERT_TRUE(server.Listening());
    constexpr int kRounds = 20;
    for (int round = 0; round < kRounds; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        auto path = CWebSocketPath::Create(CWebSocketPath::Transport::Tls, certs.caFile, {});
        ASSERT_TRUE(path->Connect(server.Address()));
        ASSERT_TRUE(WaitUntil([&] { return path->IsConnected() || !path->IsBusy(); }));
        ASSERT_TRUE(path->IsConnected());
        std::thread closer([&] {
            while (path->IsBusy())
                path->Close();
        });
        while (path->IsBusy())
            path->Send("{\"data\":{\"status\":1}}");
        closer.join();
        EXPECT_FALSE(path->IsConnected());
        EXPECT_FALSE(path->Send("{}"));
        EXPECT_FALSE(path->Close());
    }
    EXPECT_EQ(server.Opens(), kRounds);
}

} // namespace
