// The Qt Multimedia player as the playback window drives it: files and addresses, length,
// position, rate and failures, played into the test PulseAudio daemon.
#include "PulseDaemon.h"
#include "service/TestPki.h"
#include "support/LocalHttpServer.h"
#include "support/PlayerOutcome.h"
#include "support/WavBytes.h"

#include "platform/linux/QtAudioPlayer.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <string>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

class MediaPlayerTest : public testing::Test {
protected:
    void SetUp() override {
        if (!PulseRunning())
            GTEST_SKIP() << "no PulseAudio daemon (run through scripts/run-tests.sh)";
        m_player.SetListener(PlayerOutcome::ListenerOf(m_outcome));
    }

    QString WriteFile(const char* name, const std::string& bytes) {
        const QString path = m_dir.filePath(QLatin1String(name));
        QFile file(path);
        if (file.open(QIODevice::WriteOnly))
            file.write(bytes.data(), static_cast<qint64>(bytes.size()));
        return path;
    }

    // Polls the position until it reaches `ms` or the sound ends (30 s at most, a hang
    // guard); returns the largest position seen.
    std::int64_t PositionReached(std::int64_t ms) {
        std::int64_t seen = 0;
        const Clock::time_point limit = Clock::now() + std::chrono::seconds(30);
        while (Clock::now() < limit) {
            seen = std::max(seen, m_player.PositionMs());
            {
                std::lock_guard<std::mutex> guard(m_outcome->lock);
                if (seen >= ms || m_outcome->finished > 0 || m_outcome->failed > 0)
                    break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return seen;
    }

    bool WaitForEnd() {
        return m_outcome->WaitFor([](PlayerOutcome& o) { return o.finished > 0 || o.failed > 0; });
    }

    QTemporaryDir m_dir;
    std::shared_ptr<PlayerOutcome> m_outcome = std::make_shared<PlayerOutcome>();
    platform::native::QtAudioPlayer m_player;
};

// Catches a WAV that never ends, a length not reported, or a position that does not move.
TEST_F(MediaPlayerTest, ALocalWavPlaysToItsEndWithLengthAndPosition) {
    ASSERT_TRUE(m_player.OpenFile(WriteFile("tone.wav", testsupport::MakeToneWav(1500))));
    m_player.Play();
    const std::int64_t seenPosition = PositionReached(200);
    ASSERT_TRUE(WaitForEnd());
    EXPECT_EQ(m_outcome->failed, 0) << m_outcome->reason;
    EXPECT_EQ(m_outcome->finished, 1);
    EXPECT_GE(seenPosition, 200);
    EXPECT_NEAR(m_player.DurationMs(), 1500, 50);
    EXPECT_NEAR(m_outcome->duration, 1500, 50);
}

// Catches a rate that is not applied: at 2.0 the rest of the sound takes about half its length.
TEST_F(MediaPlayerTest, RateTwoPlaysFaster) {
    ASSERT_TRUE(m_player.OpenFile(WriteFile("long.wav", testsupport::MakeToneWav(6000))));
    m_player.Play();
    ASSERT_GT(PositionReached(1), 0) << m_outcome->reason;
    const std::int64_t from = m_player.PositionMs();
    const Clock::time_point rateSet = Clock::now();
    m_player.SetRate(2.0);
    ASSERT_TRUE(WaitForEnd());
    ASSERT_EQ(m_outcome->finished, 1) << m_outcome->reason;
    const auto took =
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - rateSet).count();
    // Half of the rest is expected; four fifths of it is the bound, far from either.
    EXPECT_LT(took, (6000 - from) * 4 / 5);
}

// Catches an address the player cannot stream.
TEST_F(MediaPlayerTest, AnHttpWavPlaysToItsEnd) {
    testsupport::LocalHttpServer server(
        testsupport::HttpReply(200, testsupport::MakeToneWav(800), "Content-Type: audio/wav\r\n"));
    ASSERT_TRUE(m_player.OpenUrl(QString::fromStdString(server.Origin() + "/rec.wav")));
    m_player.Play();
    ASSERT_TRUE(WaitForEnd());
    EXPECT_EQ(m_outcome->finished, 1) << m_outcome->reason;
}

enum class BadSource { Missing, NotSound, UntrustedTls, NotHttp };

class MediaPlayerFailureTest : public MediaPlayerTest,
                               public testing::WithParamInterface<BadSource> {};

// Catches a bad source reported as played, or an https peer accepted without a trusted
// certificate.
TEST_P(MediaPlayerFailureTest, ASourceThatCannotPlayIsRefused) {
    std::unique_ptr<testsupport::LocalHttpServer> server;
    switch (GetParam()) {
    case BadSource::Missing:
        EXPECT_FALSE(m_player.OpenFile(m_dir.filePath(QStringLiteral("missing.wav"))));
        return;
    case BadSource::NotHttp:
        EXPECT_FALSE(m_player.OpenUrl(QStringLiteral("ftp://127.0.0.1/x.wav")));
        EXPECT_FALSE(m_player.OpenUrl(QStringLiteral("no address")));
        return;
    case BadSource::NotSound:
        ASSERT_TRUE(m_player.OpenFile(WriteFile("text.wav", std::string(4096, 'z'))));
        break;
    case BadSource::UntrustedTls:
        ASSERT_FALSE(SharedPki().directory.empty());
        server = std::make_unique<testsupport::LocalHttpServer>(
            testsupport::HttpReply(200, testsupport::MakeToneWav(800)), SharedPki().strangerCert,
            SharedPki().strangerKey);
        ASSERT_TRUE(
            m_player.OpenUrl(QString::fromStdString(server->Origin("localhost") + "/rec.wav")));
        break;
    }
    m_player.Play();
    ASSERT_TRUE(WaitForEnd());
    EXPECT_GE(m_outcome->failed, 1);
    EXPECT_EQ(m_outcome->finished, 0);
}

INSTANTIATE_TEST_SUITE_P(Sources, MediaPlayerFailureTest,
                         testing::Values(BadSource::Missing, BadSource::NotSound,
                                         BadSource::UntrustedTls, BadSource::NotHttp));

} // namespace
