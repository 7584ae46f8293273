#include "MediaWorld.h"

#include "platform/IAudioCapture.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <mutex>
#include <thread>

namespace {

constexpr std::size_t kBytesPerSecond = 32000;
constexpr std::size_t kChunk = 640; // the microphone's 20 ms step

using Clock = std::chrono::steady_clock;

// Audio without a zero byte, so that where it starts and ends in a stream of silence is plain,
// and without a repeat a few dozen bytes long, so that a piece of it is found only where it was
// taken from (a linear congruential sequence; a simple arithmetic one repeats 619 bytes on, which
// puts one chunk edge at another's place).
std::string Pattern(std::size_t bytes) {
    std::string pcm(bytes, '\0');
    uint32_t state = 12345;
    for (std::size_t i = 0; i < bytes; ++i) {
        state = state * 1103515245u + 12345u;
        pcm[i] = static_cast<char>(1 + (state >> 16) % 255);
    }
    return pcm;
}

void Sleep(int ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

// What one capture handed to its owner.
struct Recording {
    std::mutex mutex;
    std::string bytes;
    std::vector<std::size_t> fullBlocks;
    std::vector<std::size_t> partialBlocks;

    std::string Bytes() {
        std::lock_guard<std::mutex> lock(mutex);
        return bytes;
    }
};

std::unique_ptr<platform::IAudioCapture> OpenCapture(std::size_t blockBytes, Recording& into,
                                                     const std::string& source = "") {
    auto capture = platform::CreateAudioCapture();
    platform::CaptureFormat format;
    format.source = source;
    format.blockBytes = blockBytes;
    const int result =
        capture->Open(format, [&into](const char* data, std::size_t length, bool partial) {
            std::lock_guard<std::mutex> lock(into.mutex);
            into.bytes.append(data, length);
            (partial ? into.partialBlocks : into.fullBlocks).push_back(length);
        });
    EXPECT_EQ(result, 0) << platform::AudioErrorText(result);
    return capture;
}

void ExpectBlocksOf(Recording& recording, std::size_t blockBytes) {
    for (std::size_t length : recording.fullBlocks)
        EXPECT_EQ(length, blockBytes);
    EXPECT_LE(recording.partialBlocks.size(), 1u);
    for (std::size_t length : recording.partialBlocks)
        EXPECT_LT(length, blockBytes);
}

bool AllSilent(const std::string& bytes) {
    return bytes.find_first_not_of('\0') == std::string::npos;
}

// The stream is `audio` from byte `from` on, and silence after it.
void ExpectAudioThenSilence(const std::string& stream, const std::string& audio,
                            std::size_t from = 0) {
    const std::size_t length = audio.size() - from;
    ASSERT_GE(stream.size(), length);
    EXPECT_TRUE(stream.compare(0, length, audio, from, length) == 0);
    EXPECT_TRUE(AllSilent(stream.substr(length)));
}

// A capture surely ran from the return of its start to the call of its stop (`inner`) and
// at most from the call of its start to the return of its stop (`outer`); these bounds hold
// however slowly the requests go on a loaded machine.
void ExpectAboutRealTime(std::size_t bytes, Clock::duration inner, Clock::duration outer) {
    const double heard = static_cast<double>(bytes) / kBytesPerSecond;
    EXPECT_GT(heard, std::chrono::duration<double>(inner).count() / 2);
    EXPECT_LT(heard, std::chrono::duration<double>(outer).count() * 2);
}

// The microphone's chunks that began within this time.
std::size_t ChunksWithin(Clock::duration elapsed) {
    return static_cast<std::size_t>(
               std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count() / 20) +
           1;
}

// Waits until the recording holds at least this many bytes; the limit only guards a hang.
bool WaitUntilHeard(Recording& recording, std::size_t bytes) {
    const auto deadline = Clock::now() + std::chrono::seconds(30);
    while (recording.Bytes().size() < bytes) {
        if (Clock::now() > deadline)
            return false;
        Sleep(20);
    }
    return true;
}

int QueueFile(const std::string& name, const std::string& bytes) {
    return MediaWorld::Run("mic " + MediaWorld::WriteFile(name, bytes));
}

std::string Wav(unsigned rate, unsigned channels, unsigned bits, const std::string& data,
                unsigned formatTag = 1) {
    auto u16 = [](unsigned v) { return std::string{char(v & 0xFF), char((v >> 8) & 0xFF)}; };
    auto u32 = [&](unsigned v) { return u16(v & 0xFFFF) + u16(v >> 16); };
    const unsigned blockAlign = channels * bits / 8;
    std::string fmt = u16(formatTag) + u16(channels) + u32(rate) + u32(rate * blockAlign) +
                      u16(blockAlign) + u16(bits);
    // An odd-sized chunk before the data: readers must skip its pad byte.
    std::string list = "LIST" + u32(3) + "abc" + '\0';
    std::string body = "WAVE" + ("fmt " + u32(16) + fmt) + list + "data" +
                       u32(static_cast<unsigned>(data.size())) + data;
    return "RIFF" + u32(static_cast<unsigned>(body.size())) + body;
}

TEST(SimMicrophone, QueuedAudioReachesTwoCapturesInTheirBlockSizesThenSilence) {
    const std::string audio = Pattern(16000); // half a second
    ASSERT_EQ(QueueFile("speech.raw", audio), 0);
    const int64_t before = MediaWorld::LastSeq();

    Recording wave, recogniser;
    auto waveCapture = OpenCapture(3200, wave);
    auto recogniserCapture = OpenCapture(6400, recogniser);
    const auto startCalled = Clock::now();
    ASSERT_EQ(waveCapture->Start(), 0);
    const auto waveStarted = Clock::now();
    ASSERT_EQ(recogniserCapture->Start(), 0);
    const auto joinedBy = Clock::now();
    EXPECT_TRUE(waveCapture->IsRunning());
    Sleep(1200);
    const auto stopCalled = Clock::now();
    ASSERT_EQ(waveCapture->Stop(), 0);
    const auto waveStopped = Clock::now();
    ASSERT_EQ(recogniserCapture->Stop(), 0);

    // The first capture started the microphone: it hears the audio from its first sample.
    ExpectAudioThenSilence(wave.Bytes(), audio);
    // The second joined a moment later, at a chunk edge, and hears the same bytes from there.
    const std::string joined = recogniser.Bytes();
    const std::size_t joinedAt = audio.find(joined.substr(0, 64));
    ASSERT_NE(joinedAt, std::string::npos);
    EXPECT_EQ(joinedAt % kChunk, 0u);
    EXPECT_LE(joinedAt, ChunksWithin(joinedBy - startCalled) * kChunk);
    ExpectAudioThenSilence(joined, audio, joinedAt);

    ExpectBlocksOf(wave, 3200);
    ExpectBlocksOf(recogniser, 6400);
    ExpectAboutRealTime(wave.Bytes().size(), stopCalled - waveStarted, waveStopped - startCalled);

    const auto events = MediaWorld::EventsAfter(before, "audio");
    ASSERT_EQ(events.size(), 4u);
    EXPECT_EQ(events[0]["state"].asString(), "start");
    EXPECT_EQ(events[0]["block"].asInt(), 3200);
    EXPECT_EQ(events[1]["state"].asString(), "start");
    EXPECT_EQ(events[1]["block"].asInt(), 6400);
    EXPECT_EQ(events[2]["state"].asString(), "stop");
    EXPECT_EQ(events[2]["bytes"].asUInt64(), wave.Bytes().size());
    EXPECT_EQ(events[3]["state"].asString(), "stop");
    EXPECT_EQ(events[3]["bytes"].asUInt64(), joined.size());
}

TEST(SimMicrophone, AudioQueuedDuringCaptureStartsAtTheSameInstantForEveryCapture) {
    Recording first, second;
    auto firstCapture = OpenCapture(3200, first);
    auto secondCapture = OpenCapture(3200, second);
    ASSERT_EQ(firstCapture->Start(), 0);
    Sleep(100);
    ASSERT_EQ(secondCapture->Start(), 0);
    Sleep(100);
    const std::string audio = Pattern(9600);
    ASSERT_EQ(QueueFile("late.raw", audio), 0);
    Sleep(600);
    ASSERT_EQ(secondCapture->Stop(), 0);
    ASSERT_EQ(firstCapture->Stop(), 0);

    const std::string a = first.Bytes();
    const std::string b = second.Bytes();
    const std::size_t startA = a.find_first_not_of('\0');
    const std::size_t startB = b.find_first_not_of('\0');
    ASSERT_NE(startA, std::string::npos);
    ASSERT_NE(startB, std::string::npos);
    ExpectAudioThenSilence(a.substr(startA), audio);
    ExpectAudioThenSilence(b.substr(startB), audio);
    // Both heard the audio begin at one point of the microphone's time line.
    EXPECT_EQ(startA % kChunk, 0u);
    EXPECT_EQ(startB % kChunk, 0u);
    EXPECT_GT(startA, startB);
}

TEST(SimMicrophone, AudioLeftWhenCaptureStopsPlaysAtTheNextStart) {
    // Three seconds: long enough that a slow stop request still comes before its end.
    const std::string audio = Pattern(3 * kBytesPerSecond);
    ASSERT_EQ(QueueFile("long.raw", audio), 0);
    Recording recording;
    auto capture = OpenCapture(3200, recording);
    ASSERT_EQ(capture->Start(), 0);
    Sleep(300);
    ASSERT_EQ(capture->Stop(), 0);
    EXPECT_FALSE(capture->IsRunning());
    const std::size_t firstPart = recording.Bytes().size();
    EXPECT_GT(firstPart, 0u);
    EXPECT_LT(firstPart, audio.size());
    Sleep(300); // nobody listens: the microphone waits

    ASSERT_EQ(capture->Start(), 0);
    EXPECT_TRUE(WaitUntilHeard(recording, audio.size() + kChunk));
    ASSERT_EQ(capture->Stop(), 0);
    ExpectAudioThenSilence(recording.Bytes(), audio);
}

TEST(SimMicrophone, WavPlaysItsSamplesNotItsHeader) {
    const std::string samples = Pattern(3200);
    ASSERT_EQ(QueueFile("speech.wav", Wav(16000, 1, 16, samples)), 0);
    Recording recording;
    auto capture = OpenCapture(3200, recording);
    ASSERT_EQ(capture->Start(), 0);
    Sleep(300);
    ASSERT_EQ(capture->Stop(), 0);
    ExpectAudioThenSilence(recording.Bytes(), samples);
}

TEST(SimMicrophone, MicRefusesEverythingButSixteenKilohertzMonoSixteenBit) {
    const std::string data = Pattern(3200);
    std::string truncated = Wav(16000, 1, 16, data);
    truncated.resize(truncated.size() - 100);
    const struct {
        const char* what;
        std::string bytes;
    } cases[] = {
        {"cd_audio.wav", Wav(44100, 2, 16, data)},
        {"stereo.wav", Wav(16000, 2, 16, data)},
        {"eight_bit.wav", Wav(16000, 1, 8, data)},
        {"float.wav", Wav(16000, 1, 32, data, 3)},
        {"truncated.wav", truncated},
        {"half_sample.raw", "abc"},
        {"empty.raw", ""},
    };
    const int64_t before = MediaWorld::LastSeq();
    for (const auto& c : cases)
        EXPECT_NE(QueueFile(c.what, c.bytes), 0) << c.what;
    EXPECT_NE(MediaWorld::Run("mic /nonexistent/speech.raw"), 0);
    EXPECT_TRUE(MediaWorld::EventsAfter(before, "mic").empty());
}

TEST(SimMicrophone, CaptureRefusesWhatTheMicrophoneCannotDo) {
    Recording recording;
    auto capture = OpenCapture(3200, recording);
    EXPECT_NE(capture->Stop(), 0); // not started
    ASSERT_EQ(capture->Start(), 0);
    EXPECT_NE(capture->Start(), 0);
    EXPECT_TRUE(capture->IsRunning());
    EXPECT_EQ(capture->Stop(), 0);

    auto other = platform::CreateAudioCapture();
    auto ignore = [](const char*, std::size_t, bool) {};
    platform::CaptureFormat cd;
    cd.sampleRate = 44100;
    EXPECT_NE(other->Open(cd, ignore), 0);
    platform::CaptureFormat unknown;
    unknown.source = "sim.nothing";
    EXPECT_NE(other->Open(unknown, ignore), 0);
    platform::CaptureFormat halfSample;
    halfSample.blockBytes = 3201;
    EXPECT_NE(other->Open(halfSample, ignore), 0);
    EXPECT_NE(other->Start(), 0);
}

} // namespace
