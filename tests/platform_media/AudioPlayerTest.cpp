// An MP3 plays to its end through Qt Multimedia into the test PulseAudio daemon, and the
// offline voice speaks by speech code.
#include "Mp3Maker.h"
#include "PulseDaemon.h"

#include "platform/IAudioPlayer.h"
#include "platform/ISpeechSynthesizer.h"
#include "platform/linux/QtAudioPlayer.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace {

// Lines of `pactl list short sink-inputs`: the streams playing into the daemon now.
int PlayingStreams() {
    QProcess pactl;
    pactl.start(QStringLiteral("pactl"),
                {QStringLiteral("list"), QStringLiteral("short"), QStringLiteral("sink-inputs")});
    if (!pactl.waitForFinished(5000))
        return 0;
    const QByteArray listing = pactl.readAllStandardOutput().trimmed();
    return listing.isEmpty() ? 0 : static_cast<int>(listing.count('\n')) + 1;
}

// Catches a player that never reports the end, fails on MP3, or plays past the sound server.
TEST(AudioPlayerTest, Mp3PlaysToItsEndIntoPulseAudio) {
    if (!PulseRunning())
        GTEST_SKIP() << "no PulseAudio daemon (run through scripts/run-tests.sh)";
    QTemporaryDir dir;
    const std::string path = dir.filePath(QStringLiteral("tone.mp3")).toStdString();
    ASSERT_TRUE(MakeToneMp3(path, 3)) << "GStreamer's LAME encoder is needed to make the MP3";
    QFile file(QString::fromStdString(path));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray mp3 = file.readAll();

    platform::native::QtAudioPlayer player;
    std::atomic<bool> finished{false};
    std::atomic<bool> seenInPulse{false};
    std::thread playing([&] {
        finished = platform::PlayToEnd(player, mp3, {"service", std::string()}, 60000);
    });
    // While it plays, the daemon has a stream for it.
    while (!finished && !seenInPulse)
        seenInPulse = PlayingStreams() > 0;
    playing.join();
    EXPECT_TRUE(finished);
    EXPECT_TRUE(seenInPulse);
    EXPECT_GE(player.DurationMs(), 2500);
}

// Catches bad data reported as played (a caller would then wait for ever or skip nothing).
TEST(AudioPlayerTest, DataThatIsNoSoundFails) {
    platform::native::QtAudioPlayer player;
    EXPECT_FALSE(
        platform::PlayToEnd(player, QByteArray(4096, 'z'), {"service", std::string()}, 30000));
}

struct VoiceCase {
    const char* code;
    const char* voice; // empty: none
};

class SpeechSynthesizerTest : public testing::TestWithParam<VoiceCase> {};

// Catches a wrong voice mapping, a header that does not match the samples, or a voice invented
// for a code without one.
TEST_P(SpeechSynthesizerTest, SpeaksWithTheVoiceOfTheSpeechCode) {
    const auto speech = platform::SpeechSynthesizer()->Synthesize("hello 123", GetParam().code);
    if (std::string(GetParam().voice).empty()) {
        EXPECT_FALSE(speech.has_value());
        return;
    }
    ASSERT_TRUE(speech.has_value());
    EXPECT_EQ(speech->voice, GetParam().voice);
    ASSERT_GT(speech->wav.size(), 44);
    EXPECT_TRUE(speech->wav.startsWith("RIFF"));
    const auto dataBytes = *reinterpret_cast<const quint32*>(speech->wav.constData() + 40);
    EXPECT_EQ(dataBytes + 44, static_cast<quint32>(speech->wav.size()));
}

INSTANTIATE_TEST_SUITE_P(Codes, SpeechSynthesizerTest,
                         testing::Values(VoiceCase{"en", "en"}, VoiceCase{"zh", "cmn"},
                                         VoiceCase{"zh-TW", "cmn"}, VoiceCase{"de", "de"},
                                         VoiceCase{"no-such", ""}, VoiceCase{"", ""}));

} // namespace
