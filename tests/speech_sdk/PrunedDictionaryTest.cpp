// The dictionary cut to the language model's words: what is kept, the cache copy's life
// (made once, made again when damaged or when the model changes) and, through velmora-asr,
// that recognition gives exactly the same results as with the whole dictionary.
#include "speech/sdk/PrunedDictionary.h"
#include "tests/speech_sdk/SpeechSdkTestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

using namespace speechsdk;
namespace fs = std::filesystem;

namespace {

const char kEnglish[] = "/usr/share/pocketsphinx/model/en-us";
const char kEnglishLm[] = "/usr/share/pocketsphinx/model/en-us/en-us.lm.bin";

std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void WriteText(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

class PrunedDictionaryTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/velmora-cut-dict.XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir_ = pattern;
    }
    void TearDown() override { fs::remove_all(dir_); }

    // The English language model with a small dictionary of our own.
    ModelFiles SmallModel(const std::string& dictionary) {
        const std::string path = dir_ + "/small.dict";
        WriteText(path, dictionary);
        return ModelFiles{dir_, std::string(kEnglish) + "/en-us", kEnglishLm, path};
    }

    std::string dir_;
};

TEST_F(PrunedDictionaryTest, KeepsTheLanguageModelsWordsWithTheirAlternatesInOrder) {
    const std::unordered_set<std::string> vocabulary = {"forward", "go", "ten", "meters"};
    const struct {
        const char* in;
        const char* out;
    } cases[] = {
        {"go G OW\nzzyzx Z IH Z\nforward F AO R W ER D\n", "go G OW\nforward F AO R W ER D\n"},
        // An alternate pronunciation goes with its word, and only with it.
        {"meters M IY T ER Z\nmeters(2) M IY T AH Z\nmeterz(2) M\n",
         "meters M IY T ER Z\nmeters(2) M IY T AH Z\n"},
        // The decoder matches words without case.
        {"GO G OW\nTen T EH N\n", "GO G OW\nTen T EH N\n"},
        // Comments and blank lines carry nothing the decoder reads.
        {"## a comment\n;; another\n\n   \ngo G OW\n", "go G OW\n"},
        // Tabs separate as blanks do; a last line without a line end is kept.
        {"ten\tT EH N\ngo G OW", "ten\tT EH N\ngo G OW\n"},
        {"(2) X\n() Y\n", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.in);
        std::istringstream in(c.in);
        std::ostringstream out;
        const auto written = PrunedDictionary::Write(in, vocabulary, out);
        ASSERT_TRUE(written.has_value());
        EXPECT_EQ(out.str(), c.out);
        std::size_t lines = 0;
        for (char ch : out.str())
            lines += ch == '\n';
        EXPECT_EQ(*written, lines);
    }
}

TEST_F(PrunedDictionaryTest, ReadsTheVocabularyOfALanguageModelOrSaysItCannot) {
    const auto words = PrunedDictionary::ReadVocabulary(kEnglishLm);
    ASSERT_TRUE(words.has_value());
    EXPECT_GT(words->size(), 50000u);
    for (const char* word : {"go", "forward", "ten", "meters"})
        EXPECT_EQ(words->count(word), 1u) << word;
    WriteText(dir_ + "/broken.lm.bin", std::string(4096, '\x7f'));
    for (const std::string& path : {dir_ + "/missing.lm", dir_ + "/broken.lm.bin"})
        EXPECT_FALSE(PrunedDictionary::ReadVocabulary(path).has_value()) << path;
}

TEST_F(PrunedDictionaryTest, CacheCopyIsMadeOnceAndMadeAgainWhenDamagedOrStale) {
    const ModelFiles model = SmallModel("go G OW\nzzyzx Z IH Z\nforward F AO R W ER D\n");
    const PrunedDictionary cache(dir_ + "/cache/models");
    const std::string path = cache.PathFor(model);
    ASSERT_FALSE(path.empty());
    const std::string body = "go G OW\nforward F AO R W ER D\n";
    const std::string made = ReadText(path);
    EXPECT_EQ(made, PrunedDictionary::Seal(body) + "\n" + body);
    EXPECT_EQ(made.rfind("## ", 0), 0u) << "the seal is a comment line for the decoder";

    // Read again, not made again.
    const auto stamp = fs::last_write_time(path);
    EXPECT_EQ(cache.PathFor(model), path);
    EXPECT_EQ(fs::last_write_time(path), stamp);

    // Damaged copies: a changed byte, a cut, an empty file, a missing seal.
    for (const std::string& damaged : {std::string(made).replace(made.size() - 3, 1, "X"),
                                       made.substr(0, made.size() - 5), std::string(), body}) {
        WriteText(path, damaged);
        EXPECT_EQ(cache.PathFor(model), path);
        EXPECT_EQ(ReadText(path), made);
    }

    // A changed dictionary is a new copy under a new name.
    const ModelFiles changed = SmallModel("go G OW\nten T EH N\n");
    const std::string other = cache.PathFor(changed);
    ASSERT_FALSE(other.empty());
    EXPECT_NE(other, path);
    EXPECT_NE(ReadText(other).find("ten T EH N\n"), std::string::npos);

    cache.Discard(changed);
    EXPECT_FALSE(fs::exists(other));
    // No private files are left beside the copies.
    for (const auto& entry : fs::directory_iterator(dir_ + "/cache/models"))
        EXPECT_EQ(entry.path().extension(), ".dict") << entry.path();
}

TEST_F(PrunedDictionaryTest, NoPathWhenNothingCanBeMade) {
    WriteText(dir_ + "/file", "x");
    const ModelFiles model = SmallModel("go G OW\n");
    // The cache folder cannot be made (a file is in the way) or has no name.
    EXPECT_EQ(PrunedDictionary(dir_ + "/file/models").PathFor(model), "");
    EXPECT_EQ(PrunedDictionary("").PathFor(model), "");
    // Nothing of the dictionary is in the language model; the files are missing or unreadable.
    const PrunedDictionary cache(dir_ + "/cache");
    EXPECT_EQ(cache.PathFor(SmallModel("zzyzx Z IH Z\n")), "");
    ModelFiles missing = model;
    missing.dictionary = dir_ + "/none.dict";
    EXPECT_EQ(cache.PathFor(missing), "");
    ModelFiles badLm = model;
    badLm.languageModel = dir_ + "/file";
    EXPECT_EQ(cache.PathFor(badLm), "");
}

// velmora-asr in a program home whose cache works, and in one whose cache cannot be made
// (so the whole dictionary is loaded): the same output, line for line.
TEST_F(PrunedDictionaryTest, RecognitionIsTheSameWithTheCutDictionary) {
    const std::string cut = dir_ + "/cut";
    const std::string whole = dir_ + "/whole";
    fs::create_directories(cut);
    fs::create_directories(whole);
    WriteText(whole + "/cache", "a file where the cache folder would be");
    for (const char* name : {"goforward.raw", "numbers.raw", "something.raw"}) {
        SCOPED_TRACE(name);
        const std::string file = std::string("/usr/share/pocketsphinx/test/data/") + name;
        std::string outputs[2];
        int i = 0;
        for (const std::string& home : {cut, whole}) {
            const std::string command = "VELMORA_HOME=" + home + " " + VELMORA_ASR_PATH + " " +
                                        file + " --language english 2>/dev/null";
            FILE* pipe = popen(command.c_str(), "r");
            ASSERT_NE(pipe, nullptr);
            char buffer[4096];
            for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;)
                outputs[i].append(buffer, n);
            EXPECT_EQ(pclose(pipe), 0);
            ++i;
        }
        EXPECT_FALSE(outputs[0].empty());
        EXPECT_EQ(outputs[0], outputs[1]);
    }
    std::size_t copies = 0;
    for (const auto& entry : fs::directory_iterator(cut + "/cache/models"))
        copies += entry.path().extension() == ".dict";
    EXPECT_EQ(copies, 1u) << "the cut dictionary was used";
}

} // namespace
