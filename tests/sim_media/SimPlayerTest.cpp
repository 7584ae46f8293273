// The simulator's media player: WAVs on the clock times the rate, fetched addresses, failures.
#include "MediaWorld.h"
#include "service/TestPki.h"
#include "support/LocalHttpServer.h"
#include "support/PlayerOutcome.h"
#include "support/WavBytes.h"

#include "platform/IAudioPlayer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

std::int64_t MsBetween(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(to - from).count();
}

std::vector<std::string> Actions(const std::vector<Json::Value>& events) {
    std::vector<std::string> actions;
    for (const Json::Value& event : events)
        actions.push_back(event["action"].asString());
    return actions;
}

// Catches a clock that ignores the rate, an end reported early, or events without the source,
// position, length and rate.
TEST(SimPlayerTest, AWavFilePlaysOnTheClockTimesTheRate) {
    const std::string path = MediaWorld::WriteFile("clock.wav", testsupport::MakeToneWav(1200));
    auto player = platform::CreateAudioPlayer();
    auto outcome = std::make_shared<PlayerOutcome>();
    player->SetListener(PlayerOutcome::ListenerOf(outcome));
    const int64_t before = MediaWorld::LastSeq();
    ASSERT_TRUE(player->OpenFile(QString::fromStdString(path)));
    EXPECT_EQ(player->DurationMs(), 1200);
    player->SetRate(2.0);
    const Clock::time_point started = Clock::now();
    player->Play();

    // The position moves twice as fast as the clock: bounds taken around each reading.
    const Clock::time_point beforeFirst = Clock::now();
    const std::int64_t first = player->PositionMs();
    const Clock::time_point afterFirst = Clock::now();
    while (Clock::now() - afterFirst < std::chrono::milliseconds(150)) {
    }
    const Clock::time_point beforeSecond = Clock::now();
    const std::int64_t second = player->PositionMs();
    const Clock::time_point afterSecond = Clock::now();
    if (second < 1200) { // not at the end yet (a very slow machine)
        EXPECT_GE(second - first, 2 * MsBetween(afterFirst, beforeSecond) - 2);
        EXPECT_LE(second - first, 2 * MsBetween(beforeFirst, afterSecond) + 2);
    }

    ASSERT_TRUE(outcome->WaitFor([](PlayerOutcome& o) { return o.finished == 1; }));
    EXPECT_GE(MsBetween(started, Clock::now()), 600 - 1);
    EXPECT_EQ(player->PositionMs(), 1200);
    const auto events = MediaWorld::EventsAfter(before, "playback");
    ASSERT_EQ(Actions(events), (std::vector<std::string>{"open", "rate", "play", "complete"}));
    for (const Json::Value& event : events) {
        EXPECT_EQ(event["source"].asString(), path);
        EXPECT_EQ(event["duration_ms"].asInt64(), 1200);
    }
    EXPECT_EQ(events[2]["rate"].asDouble(), 2.0);
    EXPECT_EQ(events[3]["position_ms"].asInt64(), 1200);
}

// Catches a pause that lets the clock run on, seeks outside the sound, or a replay at the end
// that completes at once.
TEST(SimPlayerTest, PauseHoldsThePositionAndSeeksStayInsideTheSound) {
    const std::string path = MediaWorld::WriteFile("pause.wav", testsupport::MakeToneWav(5000));
    auto player = platform::CreateAudioPlayer();
    ASSERT_TRUE(player->OpenFile(QString::fromStdString(path)));
    player->Seek(4000);
    player->Play();
    player->Pause();
    const std::int64_t paused = player->PositionMs();
    EXPECT_GE(paused, 4000);
    std::this_thread::sleep_for(std::chrono::milliseconds(30)); // time that must not count
    EXPECT_EQ(player->PositionMs(), paused);
    player->Seek(99999);
    EXPECT_EQ(player->PositionMs(), 5000);
    player->Seek(-20);
    EXPECT_EQ(player->PositionMs(), 0);
    player->Stop();
    EXPECT_EQ(player->PositionMs(), 0);
}

// Catches an address played without being fetched, a Play before the fetch ends that is lost,
// or a length taken from the header alone.
TEST(SimPlayerTest, AnHttpWavIsFetchedThenPlayed) {
    testsupport::LocalHttpServer server(testsupport::HttpReply(200, testsupport::MakeToneWav(400)));
    const std::string address = server.Origin() + "/records/7.wav";
    auto player = platform::CreateAudioPlayer();
    auto outcome = std::make_shared<PlayerOutcome>();
    player->SetListener(PlayerOutcome::ListenerOf(outcome));
    const int64_t before = MediaWorld::LastSeq();
    ASSERT_TRUE(player->OpenUrl(QString::fromStdString(address)));
    player->Play();
    ASSERT_TRUE(outcome->WaitFor([](PlayerOutcome& o) { return o.finished == 1; }));
    EXPECT_EQ(outcome->duration, 400);
    EXPECT_EQ(server.Targets(), (std::vector<std::string>{"/records/7.wav"}));
    const auto events = MediaWorld::EventsAfter(before, "playback");
    ASSERT_EQ(Actions(events), (std::vector<std::string>{"open", "play", "complete"}));
    EXPECT_EQ(events[0]["source"].asString(), address);
    EXPECT_EQ(events[0]["bytes"].asInt64(), 44 + 400 * 32);
}

// A cut-short body plays for the bytes that came, not the length its header claims.
TEST(SimPlayerTest, ACutShortWavPlaysForWhatArrived) {
    const std::string wav = testsupport::MakeToneWav(1000);
    const std::string path = MediaWorld::WriteFile("short.wav", wav.substr(0, 44 + 3200));
    auto player = platform::CreateAudioPlayer();
    ASSERT_TRUE(player->OpenFile(QString::fromStdString(path)));
    EXPECT_EQ(player->DurationMs(), 100);
}

enum class BadSource { NotWavFile, MissingFile, NotWavBody, NotFound, UntrustedTls, FtpAddress };

class SimPlayerFailureTest : public testing::TestWithParam<BadSource> {};

// Catches a source that is no WAV (or never arrives, or comes over TLS from an untrusted peer)
// reported as playing, or failing without an error event.
TEST_P(SimPlayerFailureTest, ASourceThatIsNoWavFails) {
    std::unique_ptr<testsupport::LocalHttpServer> server;
    QString source;
    bool remote = true;
    switch (GetParam()) {
    case BadSource::NotWavFile:
        source = QString::fromStdString(MediaWorld::WriteFile("text.wav", "just some text"));
        remote = false;
        break;
    case BadSource::MissingFile:
        source = QStringLiteral("/nonexistent/folder/x.wav");
        remote = false;
        break;
    case BadSource::NotWavBody:
        server = std::make_unique<testsupport::LocalHttpServer>(
            testsupport::HttpReply(200, "<html>not found</html>"));
        break;
    case BadSource::NotFound:
        server = std::make_unique<testsupport::LocalHttpServer>(
            testsupport::HttpReply(404, testsupport::MakeToneWav(100)));
        break;
    case BadSource::UntrustedTls:
        ASSERT_FALSE(SharedPki().directory.empty());
        server = std::make_unique<testsupport::LocalHttpServer>(
            testsupport::HttpReply(200, testsupport::MakeToneWav(100)), SharedPki().strangerCert,
            SharedPki().strangerKey);
        break;
    case BadSource::FtpAddress:
        source = QStringLiteral("ftp://127.0.0.1/x.wav");
        remote = false;
        break;
    }
    if (server)
        source = QString::fromStdString(server->Origin("localhost") + "/x.wav");
    auto player = platform::CreateAudioPlayer();
    auto outcome = std::make_shared<PlayerOutcome>();
    player->SetListener(PlayerOutcome::ListenerOf(outcome));
    const int64_t before = MediaWorld::LastSeq();
    if (remote) {
        ASSERT_TRUE(player->OpenUrl(source));
        player->Play();
        ASSERT_TRUE(outcome->WaitFor([](PlayerOutcome& o) { return o.failed == 1; }));
    } else {
        const bool opened = source.startsWith(QLatin1String("ftp:")) ? player->OpenUrl(source)
                                                                     : player->OpenFile(source);
        EXPECT_FALSE(opened);
        player->Play();
    }
    EXPECT_EQ(outcome->finished, 0);
    EXPECT_EQ(Actions(MediaWorld::EventsAfter(before, "playback")),
              (std::vector<std::string>{"error"}));
}

INSTANTIATE_TEST_SUITE_P(Sources, SimPlayerFailureTest,
                         testing::Values(BadSource::NotWavFile, BadSource::MissingFile,
                                         BadSource::NotWavBody, BadSource::NotFound,
                                         BadSource::UntrustedTls, BadSource::FtpAddress));

// Catches the speech playback losing its at-once end: a sound in memory still plays and
// completes at once, with its origin.
TEST(SimPlayerTest, ASoundInMemoryStillCompletesAtOnce) {
    auto player = platform::CreateAudioPlayer();
    const int64_t before = MediaWorld::LastSeq();
    EXPECT_TRUE(platform::PlayToEnd(*player, QByteArray("ID3 mp3 bytes"), {"service", ""}));
    const auto events = MediaWorld::EventsAfter(before, "playback");
    ASSERT_EQ(Actions(events), (std::vector<std::string>{"play", "complete"}));
    EXPECT_EQ(events[0]["source"].asString(), "service");
    EXPECT_EQ(events[0]["bytes"].asInt64(), 13);
}

// Catches a player thread that calls the listener after the player is gone (a fetch still
// running when the window closed).
TEST(SimPlayerTest, APlayerDestroyedMidFetchNeverCallsItsListener) {
    testsupport::LocalHttpServer server(testsupport::HttpReply::Never());
    auto outcome = std::make_shared<PlayerOutcome>();
    {
        auto player = platform::CreateAudioPlayer();
        player->SetListener(PlayerOutcome::ListenerOf(outcome));
        ASSERT_TRUE(player->OpenUrl(QString::fromStdString(server.Origin() + "/slow.wav")));
        ASSERT_TRUE(server.WaitForRequests(1, std::chrono::seconds(30)));
    }
    server.AnswerHeld(testsupport::HttpReply(200, testsupport::MakeToneWav(100)));
    std::lock_guard<std::mutex> guard(outcome->lock);
    EXPECT_EQ(outcome->finished + outcome->failed, 0);
}

} // namespace
