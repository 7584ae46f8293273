#include "speech_transcriber/TranscriberTestSupport.h"
#include "speech_ws/FakeXfServer.h"
#include "speech_ws/TestCertificates.h"
#include "speech_ws/TestCrypto.h"

#include <gtest/gtest.h>
#include <json/json.h>

#include <algorithm>
#include <atomic>
#include <memory>

using namespace transcribertest;

namespace {

const char kAppId[] = "5f3a9c1e";
const char kApiKey[] = "0123456789abcdef0123456789abcdef";
const char kApiSecret[] = "fedcba9876543210fedcba9876543210";
constexpr std::size_t kBlock = 1280;

// One frame as the service reads it.
struct Frame {
    int status = -1;
    bool hasAudio = false;
    std::string audio;
    std::string appId;
    std::string language;
};

Frame ReadFrame(const std::string& text) {
    Json::Value root;
    std::unique_ptr<Json::CharReader> reader(Json::CharReaderBuilder().newCharReader());
    Frame frame;
    if (!reader->parse(text.data(), text.data() + text.size(), &root, nullptr))
        return frame;
    const Json::Value& data = root["data"];
    frame.status = data.get("status", -1).asInt();
    frame.hasAudio = data.isMember("audio");
    frame.audio = ReferenceBase64Decode(data.get("audio", "").asString());
    frame.appId = root["common"].get("app_id", "").asString();
    frame.language = root["business"].get("language", "").asString();
    return frame;
}

std::vector<Frame> FramesOf(const FakeXfServer& server) {
    std::vector<Frame> frames;
    for (const auto& text : server.Frames())
        frames.push_back(ReadFrame(text));
    return frames;
}

std::string AudioOf(const std::vector<Frame>& frames) {
    std::string audio;
    for (const auto& frame : frames)
        audio += frame.audio;
    return audio;
}

std::string Result(const std::string& text, int status) {
    Json::Value root;
    root["code"] = 0;
    root["data"]["status"] = status;
    root["data"]["result"]["ls"] = status == 2;
    root["data"]["result"]["ws"][0]["cw"][0]["w"] = text;
    return Json::writeString(Json::StreamWriterBuilder(), root);
}

bool IsLastFrame(const std::string& text) {
    return ReadFrame(text).status == 2;
}

TranscriberSettings SettingsFor(const std::string& address) {
    TranscriberSettings settings;
    settings.stream.address = address;
    settings.stream.appId = kAppId;
    settings.stream.apiKey = kApiKey;
    settings.stream.apiSecret = kApiSecret;
    settings.stream.caFile = TestCertificates::Get().caFile;
    settings.retryPause = 20ms;
    return settings;
}

// Answers the last frame with the final result and nothing else.
void AnswerLastFrame(FakeXfServer& server, const std::string& frame) {
    if (IsLastFrame(frame))
        server.Reply(Result("本次完成", 2));
}

class VendorTranscriptionTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(TestCertificates::Get().ok);
        ASSERT_TRUE(m_folder.Valid());
    }
    const TestCertificates& Certs() const { return TestCertificates::Get(); }
    std::string Pcm() const { return m_folder.File("rec.pcm"); }
    std::string Txt() const { return m_folder.File("rec.txt"); }

    Folder m_folder;
};

// Catches: a short tail dropped or padded to 1280 bytes, a file under one block sent as a last
// frame without a first one, blocks repeated or lost, the wrong language or app id.
TEST_F(VendorTranscriptionTest, FramesCarryEveryByteOnceInOrder) {
    struct Case {
        std::size_t size;
        const char* language;
    };
    const Case cases[] = {{700, "zh_cn"},
                          {1, "en_us"},
                          {3 * kBlock, "en_us"},
                          {3 * kBlock + 100, "zh_cn"},
                          {kBlock + 1, "en_us"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.size);
        FakeXfServer server(Certs().serverCert, Certs().serverKey, AnswerLastFrame);
        ASSERT_TRUE(server.Listening());
        const std::string pcm = Pattern(c.size);
        WriteFile(Pcm(), pcm);
        TranscriberUnderTest transcriber(SettingsFor(server.Address()));

        transcriber.Transcribe(Pcm(), Txt(), c.language);

        ASSERT_TRUE(transcriber.WaitForFinished());
        EXPECT_EQ(transcriber.Finished(), std::vector<bool>{false});
        const auto frames = FramesOf(server);
        const std::size_t audioFrames = (c.size + kBlock - 1) / kBlock;
        ASSERT_EQ(frames.size(), audioFrames + 1);
        EXPECT_EQ(frames[0].status, 0);
        EXPECT_EQ(frames[0].appId, kAppId);
        EXPECT_EQ(frames[0].language, c.language);
        for (std::size_t i = 1; i < audioFrames; ++i)
            EXPECT_EQ(frames[i].status, 1) << i;
        for (std::size_t i = 0; i + 1 < audioFrames; ++i)
            EXPECT_EQ(frames[i].audio.size(), kBlock) << i;
        EXPECT_EQ(frames.back().status, 2);
        EXPECT_FALSE(frames.back().hasAudio);
        EXPECT_TRUE(AudioOf(frames) == pcm);
        EXPECT_NE(server.Resource().find("authorization="), std::string::npos);
        EXPECT_EQ(ReadFile(Txt()), "本次完成");
        EXPECT_EQ(transcriber.Percents().back(), 100);
    }
}

// Catches: connecting (or failing) on an empty recording, or leaving no text file for it.
TEST_F(VendorTranscriptionTest, AnEmptyRecordingSendsNothingAndCompletesEmpty) {
    FakeXfServer server(Certs().serverCert, Certs().serverKey, AnswerLastFrame);
    WriteFile(Pcm(), "");
    WriteFile(Txt(), "an older transcript");
    TranscriberUnderTest transcriber(SettingsFor(server.Address()));

    transcriber.Transcribe(Pcm(), Txt());

    ASSERT_TRUE(transcriber.WaitForFinished());
    EXPECT_EQ(transcriber.Finished(), std::vector<bool>{false});
    EXPECT_EQ(server.Opens(), 0);
    EXPECT_TRUE(server.Frames().empty());
    EXPECT_TRUE(std::filesystem::exists(Txt()));
    EXPECT_EQ(ReadFile(Txt()), "");
    EXPECT_EQ(transcriber.Percents(), std::vector<int>{100});
}

// Catches: a transcript that never completes when the service closes or stays silent after the
// last frame, and texts that are not written as UTF-8.
TEST_F(VendorTranscriptionTest, TheTranscriptCompletesOnEveryWayTheServiceEnds) {
    enum class Ending { FinalResult, Close, Silence };
    const Ending endings[] = {Ending::FinalResult, Ending::Close, Ending::Silence};
    for (const Ending ending : endings) {
        SCOPED_TRACE(static_cast<int>(ending));
        FakeXfServer server(Certs().serverCert, Certs().serverKey,
                            [ending](FakeXfServer& s, const std::string& frame) {
                                if (ReadFrame(frame).status == 0)
                                    s.Reply(Result("你好，", 0));
                                if (!IsLastFrame(frame))
                                    return;
                                s.Reply(Result("世界", ending == Ending::FinalResult ? 2 : 1));
                                if (ending == Ending::Close)
                                    s.CloseConnection(1000);
                            });
        WriteFile(Pcm(), Pattern(2 * kBlock));
        TranscriberSettings settings = SettingsFor(server.Address());
        // Stands in for the fifteen seconds the service is given.
        settings.stream.finalResultTimeout = 300ms;
        TranscriberUnderTest transcriber(settings);

        transcriber.Transcribe(Pcm(), Txt());

        ASSERT_TRUE(transcriber.WaitForFinished());
        EXPECT_EQ(transcriber.Finished(), std::vector<bool>{false});
        EXPECT_EQ(ReadFile(Txt()), "你好，世界");
        if (ending == Ending::Silence) {
            // The transcriber gave up waiting and closed the connection itself.
            EXPECT_TRUE(WaitUntil([&server] { return server.CloseCodeFromClient() == 1000; }));
        }
    }
}

// Catches: completing the transcript at the first message after the last frame, which loses
// every text the service sends after it.
TEST_F(VendorTranscriptionTest, ALateFinalResultIsAwaited) {
    FakeXfServer server(Certs().serverCert, Certs().serverKey,
                        [](FakeXfServer& s, const std::string& frame) {
                            if (IsLastFrame(frame))
                                s.Reply(Result("first part, ", 1));
                        });
    WriteFile(Pcm(), Pattern(3 * kBlock));
    TranscriberUnderTest transcriber(SettingsFor(server.Address()));

    transcriber.Transcribe(Pcm(), Txt());

    // The first message after the last frame has been written where the transcript grows...
    const std::string growing = Txt() + ".part";
    ASSERT_TRUE(WaitUntil([&] { return ReadFile(growing) == "first part, "; }));
    // ...and has not completed it.
    EXPECT_TRUE(transcriber.Finished().empty());
    EXPECT_FALSE(std::filesystem::exists(Txt()));

    server.RunOnLoop([&server] { server.Reply(Result("second part", 2)); });

    ASSERT_TRUE(transcriber.WaitForFinished());
    EXPECT_EQ(transcriber.Finished(), std::vector<bool>{false});
    EXPECT_EQ(ReadFile(Txt()), "first part, second part");
    EXPECT_FALSE(std::filesystem::exists(growing));
}

// Catches: a dropped connection that ends the transcription, resumes without a first frame,
// starts the file again, or skips the block whose send failed.
TEST_F(VendorTranscriptionTest, ADroppedConnectionResumesWithAFirstFrameAndSendsEveryByteOnce) {
    auto framesOnFirstConnection = std::make_shared<std::atomic<int>>(0);
    FakeXfServer server(Certs().serverCert, Certs().serverKey,
                        [framesOnFirstConnection](FakeXfServer& s, const std::string& frame) {
                            if (s.Opens() == 1 && ++*framesOnFirstConnection == 4) {
                                s.Reply(Result("before the drop, ", 1));
                                s.CloseConnection(1011);
                            }
                            AnswerLastFrame(s, frame);
                        });
    const std::string pcm = Pattern(10 * kBlock + 300);
    WriteFile(Pcm(), pcm);
    TranscriberSettings settings = SettingsFor(server.Address());
    // A slower pace keeps the next block from crossing the server's close on the wire.
    settings.blockInterval = 150ms;
    TranscriberUnderTest transcriber(settings);

    transcriber.Transcribe(Pcm(), Txt(), "en_us");

    ASSERT_TRUE(transcriber.WaitForFinished());
    EXPECT_EQ(transcriber.Finished(), std::vector<bool>{false});
    EXPECT_EQ(server.Opens(), 2);
    const auto frames = FramesOf(server);
    ASSERT_EQ(frames.size(), 11u + 1u);
    std::vector<std::size_t> firstFrames;
    for (std::size_t i = 0; i < frames.size(); ++i) {
        if (frames[i].status == 0) {
            firstFrames.push_back(i);
            EXPECT_EQ(frames[i].language, "en_us");
        }
    }
    EXPECT_EQ(firstFrames, (std::vector<std::size_t>{0, 4}));
    EXPECT_EQ(frames.back().status, 2);
    EXPECT_TRUE(AudioOf(frames) == pcm);
    EXPECT_EQ(ReadFile(Txt()), "before the drop, 本次完成");
}

// Catches: retrying for ever, or reporting success, when the service can never be reached;
// a service whose TLS fails must not crash the program either.
TEST_F(VendorTranscriptionTest, ConnectionsThatNeverOpenFailAfterThreeReconnections) {
    FakeXfServer untrusted(Certs().untrustedCert, Certs().untrustedKey, AnswerLastFrame);
    ASSERT_TRUE(untrusted.Listening());
    std::string refusedAddress;
    {
        FakeXfServer closed(Certs().serverCert, Certs().serverKey, AnswerLastFrame);
        refusedAddress = closed.Address();
    }
    struct Case {
        const char* name;
        std::string address;
    };
    const Case cases[] = {{"TLS fails", untrusted.Address()}, {"nothing listens", refusedAddress}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        WriteFile(Pcm(), Pattern(5 * kBlock));
        WriteFile(Txt(), "an older transcript");
        TranscriberUnderTest transcriber(SettingsFor(c.address));

        transcriber.Transcribe(Pcm(), Txt());

        ASSERT_TRUE(transcriber.WaitForFinished());
        EXPECT_EQ(transcriber.Finished(), std::vector<bool>{true});
        EXPECT_EQ(ReadFile(Txt()), "an older transcript");
        EXPECT_EQ(m_folder.Names().size(), 2u); // nothing left behind
    }
    // The first attempt and three reconnections.
    EXPECT_TRUE(WaitUntil([&untrusted] { return untrusted.Failures() == 4; }));
    EXPECT_EQ(untrusted.Opens(), 0);
}

// Catches: a non-JSON message ending the transcription or reaching the text.
TEST_F(VendorTranscriptionTest, MessagesThatAreNotJsonAreIgnored) {
    FakeXfServer server(Certs().serverCert, Certs().serverKey,
                        [](FakeXfServer& s, const std::string& frame) {
                            s.Reply("<html>502 Bad Gateway</html>");
                            s.Reply("{\"data\": {\"status\": 1, \"result\": ");
                            if (ReadFrame(frame).status == 0)
                                s.Reply(Result("kept", 1));
                            AnswerLastFrame(s, frame);
                        });
    WriteFile(Pcm(), Pattern(2 * kBlock + 5));
    TranscriberUnderTest transcriber(SettingsFor(server.Address()));

    transcriber.Transcribe(Pcm(), Txt());

    ASSERT_TRUE(transcriber.WaitForFinished());
    EXPECT_EQ(transcriber.Finished(), std::vector<bool>{false});
    EXPECT_EQ(ReadFile(Txt()), "kept本次完成");
    EXPECT_EQ(server.Opens(), 1);
}

// Catches: a quit that waits for the whole recording, leaves a thread running, or destroys the
// previous transcript.
TEST_F(VendorTranscriptionTest, QuitDuringATranscriptionEndsItPromptly) {
    FakeXfServer server(Certs().serverCert, Certs().serverKey, AnswerLastFrame);
    WriteFile(Pcm(), Pattern(500 * kBlock)); // twenty seconds of audio
    WriteFile(Txt(), "an older transcript");
    TranscriberUnderTest transcriber(SettingsFor(server.Address()));

    transcriber.Transcribe(Pcm(), Txt());
    ASSERT_TRUE(WaitUntil([&server] { return server.Frames().size() >= 3; }));
    transcriber.Engine().Quit();

    ASSERT_TRUE(transcriber.WaitForFinished(1, 10s));
    EXPECT_EQ(transcriber.Finished(), std::vector<bool>{true});
    EXPECT_TRUE(WaitUntil([&] { return !transcriber.Engine().IsRunning(); }));
    EXPECT_FALSE(transcriber.Engine().IsTranscribing());
    EXPECT_LT(server.Frames().size(), 500u);
    EXPECT_EQ(ReadFile(Txt()), "an older transcript");
    EXPECT_EQ(m_folder.Names().size(), 2u);
}

// Catches: a second begin starting a second transcription beside the first.
TEST_F(VendorTranscriptionTest, ABeginWhileTranscribingDoesNothing) {
    FakeXfServer server(Certs().serverCert, Certs().serverKey, AnswerLastFrame);
    WriteFile(Pcm(), Pattern(40 * kBlock));
    const std::string otherPcm = m_folder.File("other.pcm");
    const std::string otherTxt = m_folder.File("other.txt");
    WriteFile(otherPcm, Pattern(kBlock));
    TranscriberUnderTest transcriber(SettingsFor(server.Address()));

    transcriber.Transcribe(Pcm(), Txt());
    ASSERT_TRUE(WaitUntil([&server] { return !server.Frames().empty(); }));
    EXPECT_TRUE(transcriber.Engine().IsTranscribing());
    transcriber.Transcribe(otherPcm, otherTxt);

    ASSERT_TRUE(transcriber.WaitForFinished());
    EXPECT_TRUE(WaitUntil([&] { return !transcriber.Engine().IsTranscribing(); }));
    EXPECT_EQ(transcriber.Finished(), std::vector<bool>{false});
    EXPECT_EQ(server.Opens(), 1);
    EXPECT_EQ(server.Frames().size(), 41u);
    EXPECT_FALSE(std::filesystem::exists(otherTxt));

    // Once it has finished, the next begin transcribes the job set meanwhile.
    transcriber.Engine().BeginRecognize();
    ASSERT_TRUE(transcriber.WaitForFinished(2));
    EXPECT_EQ(ReadFile(otherTxt), "本次完成");
}

// Catches: progress that does not end at 100, goes backwards, or floods the records tab.
TEST_F(VendorTranscriptionTest, ProgressRisesToOneHundredAtMostFourTimesASecond) {
    FakeXfServer server(Certs().serverCert, Certs().serverKey, AnswerLastFrame);
    WriteFile(Pcm(), Pattern(50 * kBlock)); // two seconds of audio
    TranscriberUnderTest transcriber(SettingsFor(server.Address()));

    const auto started = std::chrono::steady_clock::now();
    transcriber.Transcribe(Pcm(), Txt());
    ASSERT_TRUE(transcriber.WaitForFinished());
    const auto elapsed = std::chrono::steady_clock::now() - started;

    const auto percents = transcriber.Percents();
    ASSERT_GE(percents.size(), 2u);
    EXPECT_EQ(percents.back(), 100);
    EXPECT_TRUE(std::is_sorted(percents.begin(), percents.end()));
    EXPECT_EQ(std::adjacent_find(percents.begin(), percents.end()), percents.end());
    const auto quarterSeconds =
        std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count() / 250;
    EXPECT_LE(static_cast<long long>(percents.size()), quarterSeconds + 1);
}

} // namespace
