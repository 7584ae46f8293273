#include "speech/CLocalTranscriber.h"
#include "speech/CProgressThrottle.h"
#include "speech/CTranscriptFile.h"
#include "speech_transcriber/TranscriberTestSupport.h"

#include <gtest/gtest.h>

#include <optional>

using namespace transcribertest;

namespace {

using Clock = CProgressThrottle::Clock;

// Catches: percentages shown more often than four times a second, repeated, 100 before the
// end, or a division that overflows for long recordings.
TEST(ProgressThrottleTest, PercentagesKeepTheirPace) {
    struct Step {
        std::uint64_t done;
        int atMs;
        std::optional<int> shown;
    };
    const std::uint64_t total = 1000;
    const Step steps[] = {
        {10, 0, 1},              // the first one at once
        {20, 100, std::nullopt}, // too soon
        {30, 249, std::nullopt}, // still too soon
        {40, 250, 4},            // a quarter of a second later
        {40, 600, std::nullopt}, // unchanged
        {50, 601, 5},
        {1000, 700, std::nullopt}, // everything read, but too soon
        {1000, 851, 99},           // 100 is kept for the end
    };
    CProgressThrottle throttle;
    const Clock::time_point start{std::chrono::hours(1)};
    for (const auto& step : steps) {
        SCOPED_TRACE(step.atMs);
        EXPECT_EQ(throttle.Update(step.done, total, start + std::chrono::milliseconds(step.atMs)),
                  step.shown);
    }
    EXPECT_EQ(throttle.FinalAt(), start + 1101ms);
}

TEST(ProgressThrottleTest, HugeAndEmptyTotals) {
    CProgressThrottle throttle;
    const Clock::time_point start{std::chrono::hours(1)};
    EXPECT_EQ(throttle.Update(0, 0, start), std::nullopt);
    EXPECT_LT(throttle.FinalAt(), start); // nothing shown yet: 100 may follow at once
    const std::uint64_t huge = std::uint64_t(1) << 62;
    EXPECT_EQ(throttle.Update(huge / 2, huge, start), 50);
    EXPECT_EQ(throttle.Update(huge + 5, huge, start + 1s), 99);
}

class TranscriptFileTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_folder.Valid()); }
    std::string Txt() const { return m_folder.File("rec.txt"); }
    Folder m_folder;
};

// Catches: the previous transcript destroyed before the new one is complete.
TEST_F(TranscriptFileTest, TheTargetChangesOnlyOnCommit) {
    WriteFile(Txt(), "old");
    {
        CTranscriptFile transcript;
        ASSERT_TRUE(transcript.Open(Txt()));
        EXPECT_TRUE(transcript.Append("新的"));
        EXPECT_TRUE(transcript.Append(" text"));
        EXPECT_EQ(ReadFile(Txt()), "old");
        EXPECT_EQ(ReadFile(CTranscriptFile::TemporaryPathFor(Txt())), "新的 text");
        ASSERT_TRUE(transcript.Commit());
        EXPECT_FALSE(transcript.Append(" late")); // a message after completion changes nothing
    }
    EXPECT_EQ(ReadFile(Txt()), "新的 text");
    EXPECT_EQ(m_folder.Names(), std::vector<std::string>{"rec.txt"});
}

TEST_F(TranscriptFileTest, DiscardAndDestructionKeepTheTarget) {
    WriteFile(Txt(), "old");
    {
        CTranscriptFile discarded;
        ASSERT_TRUE(discarded.Open(Txt()));
        discarded.Append("half");
        discarded.Discard();
        CTranscriptFile abandoned;
        ASSERT_TRUE(abandoned.Open(Txt()));
        abandoned.Append("half");
    }
    EXPECT_EQ(ReadFile(Txt()), "old");
    EXPECT_EQ(m_folder.Names(), std::vector<std::string>{"rec.txt"});
}

TEST_F(TranscriptFileTest, AnUnwritablePlaceIsRefused) {
    CTranscriptFile transcript;
    EXPECT_FALSE(transcript.Open(m_folder.File("missing/rec.txt")));
    EXPECT_FALSE(transcript.Commit());
    // The target is a folder: the text cannot replace it.
    std::filesystem::create_directory(Txt());
    ASSERT_TRUE(transcript.Open(Txt()));
    transcript.Append("text");
    EXPECT_FALSE(transcript.Commit());
    EXPECT_TRUE(std::filesystem::is_directory(Txt()));
    EXPECT_EQ(m_folder.Names(), std::vector<std::string>{"rec.txt"});
}

// Catches: sessions' sentences run together ("meters.go") or blanks put inside Chinese text.
TEST(LocalTranscriberTest, SessionTextsAreJoinedAsTheirLanguageWrites) {
    struct Case {
        char last;
        const char* text;
        const char* joined;
    };
    const Case cases[] = {
        {0, "go forward", "go forward"},
        {'.', "go forward", " go forward"},
        {'s', "go", " go"},
        {' ', "go", "go"},
        {'.', " go", " go"},
        {'\x82', "你好", "你好"},
        {'.', "你好", "你好"},
        {'\x82', "go", "go"},
        {'x', "", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(CLocalTranscriber::Joined(c.last, c.text), c.joined);
    }
}

TEST(LocalTranscriberTest, OnlyPlainLanguageCodesMakeSessionParameters) {
    EXPECT_EQ(CLocalTranscriber::SessionParamsFor("en_us").rfind("language = en_us, ", 0), 0u);
    EXPECT_NE(CLocalTranscriber::SessionParamsFor("zh-cn"), "");
    for (const char* bad : {"", "en_us,vad_eos=1", "en us", "en=us", "zh_cn\n"})
        EXPECT_EQ(CLocalTranscriber::SessionParamsFor(bad), "") << bad;
}

} // namespace
