#include "speech/sdk/ModelLocator.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;
using speechsdk::ModelLocator;

namespace {

class ModelLocatorTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/velmora-models.XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        root_ = pattern;
    }
    void TearDown() override { fs::remove_all(root_); }

    void Touch(const fs::path& file) {
        fs::create_directories(file.parent_path());
        std::ofstream(file) << "x";
    }

    fs::path root_;
};

TEST_F(ModelLocatorTest, PicksTheAcousticFolderItsLanguageModelAndTheDictionary) {
    const fs::path folder = root_ / "zh_cn_mandarin";
    Touch(folder / "aaa-notes" / "README");
    Touch(folder / "zh-cn" / "mdef");
    Touch(folder / "aaa.lm.bin");
    Touch(folder / "zh-cn.lm.bin");
    Touch(folder / "zh-cn-phone.lm.bin");
    Touch(folder / "words.dict");

    const auto model = ModelLocator(root_.string(), "/nonexistent").Find("zh_cn", "mandarin");
    ASSERT_TRUE(model);
    EXPECT_EQ(model->acousticModel, (folder / "zh-cn").string());
    EXPECT_EQ(model->languageModel, (folder / "zh-cn.lm.bin").string());
    EXPECT_EQ(model->dictionary, (folder / "words.dict").string());
}

TEST_F(ModelLocatorTest, FallsBackToAnyLanguageModelAndArpaText) {
    const fs::path folder = root_ / "yue";
    Touch(folder / "am" / "mdef");
    Touch(folder / "cantonese.lm");
    Touch(folder / "cantonese.dict");
    const auto model = ModelLocator::ReadFolder(folder.string());
    ASSERT_TRUE(model);
    EXPECT_EQ(model->languageModel, (folder / "cantonese.lm").string());
}

TEST_F(ModelLocatorTest, AnIncompleteFolderIsNoModel) {
    const fs::path noDictionary = root_ / "a";
    Touch(noDictionary / "am" / "mdef");
    Touch(noDictionary / "am.lm.bin");
    const fs::path noAcousticModel = root_ / "b";
    Touch(noAcousticModel / "am" / "means");
    Touch(noAcousticModel / "am.lm.bin");
    Touch(noAcousticModel / "x.dict");
    EXPECT_FALSE(ModelLocator::ReadFolder(noDictionary.string()));
    EXPECT_FALSE(ModelLocator::ReadFolder(noAcousticModel.string()));
    EXPECT_FALSE(ModelLocator::ReadFolder((root_ / "missing").string()));
}

TEST_F(ModelLocatorTest, EnglishUsesTheSystemModelUnlessOneIsDroppedIn) {
    const fs::path system = root_ / "system";
    Touch(system / "en-us" / "mdef");
    Touch(system / "en-us.lm.bin");
    Touch(system / "cmudict-en-us.dict");
    const ModelLocator locator((root_ / "models").string(), system.string());

    auto model = locator.Find("en_us", "mandarin");
    ASSERT_TRUE(model);
    EXPECT_EQ(model->folder, system.string());
    EXPECT_FALSE(locator.Find("zh_cn", "mandarin"));
    EXPECT_EQ(locator.FolderFor("zh_cn", "mandarin"),
              (root_ / "models" / "zh_cn_mandarin").string());

    const fs::path dropped = root_ / "models" / "en_us_mandarin";
    Touch(dropped / "am" / "mdef");
    Touch(dropped / "am.lm");
    Touch(dropped / "x.dict");
    model = locator.Find("en_us", "mandarin");
    ASSERT_TRUE(model);
    EXPECT_EQ(model->folder, dropped.string());
}

} // namespace
