#include "mainwnd/PageValues.h"

#include <gtest/gtest.h>

#include <optional>

namespace {

struct LanguageCase {
    const char* name;
    std::vector<QString> lines;
    std::vector<std::pair<QString, QString>> items;
};

class LanguageLinesTest : public ::testing::TestWithParam<LanguageCase> {};

// Catches lines split at the wrong "=", odd lines turned into items and a changed order.
TEST_P(LanguageLinesTest, CodesAndLabelsInFileOrder) {
    const std::vector<ListItem> items = pagevalues::LanguageItems(GetParam().lines);
    ASSERT_EQ(items.size(), GetParam().items.size());
    for (size_t i = 0; i < items.size(); ++i) {
        EXPECT_EQ(items[i].name, GetParam().items[i].first);
        EXPECT_EQ(items[i].text, GetParam().items[i].second);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Lines, LanguageLinesTest,
    ::testing::Values(
        LanguageCase{"Plain", {"zh=中文", "en=English"}, {{"zh", "中文"}, {"en", "English"}}},
        LanguageCase{"SplitAtFirstEquals", {"a=b=c"}, {{"a", "b=c"}}},
        LanguageCase{"EmptyLabel", {"x="}, {{"x", ""}}},
        LanguageCase{"NoEquals", {"garbage", "en=English"}, {{"en", "English"}}},
        LanguageCase{"EmptyCode", {"=label", "jp=日本語"}, {{"jp", "日本語"}}},
        LanguageCase{"Nothing", {}, {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(RecognitionSection, EachEngineHasItsListAndOthersNone) {
    EXPECT_EQ(pagevalues::RecognitionSection("xf"), "recognition_xf_lans");
    EXPECT_EQ(pagevalues::RecognitionSection("sh"), "recognition_sh_lans");
    EXPECT_EQ(pagevalues::RecognitionSection("sg"), "recognition_sg_lans");
    EXPECT_EQ(pagevalues::RecognitionSection("ms"), "");
    EXPECT_EQ(pagevalues::RecognitionSection("XF"), "");
}

struct ResolutionCase {
    const char* name;
    const char* photoIC;
    bool model5698;
    std::vector<std::pair<QString, QString>> items;
};

class ResolutionListTest : public ::testing::TestWithParam<ResolutionCase> {};

// Catches a list that offers steps the mouse's sensor and model cannot take.
TEST_P(ResolutionListTest, StepsFollowSensorAndModel) {
    const auto items = pagevalues::ResolutionItems(GetParam().photoIC, GetParam().model5698);
    ASSERT_EQ(items.size(), GetParam().items.size());
    for (size_t i = 0; i < items.size(); ++i) {
        EXPECT_EQ(items[i].name, GetParam().items[i].first) << i;
        EXPECT_EQ(items[i].text, GetParam().items[i].second) << i;
    }
}

const std::vector<std::pair<QString, QString>> kModel5698 = {
    {"16", "600"},  {"21", "800"},  {"26", "1000"}, {"32", "1200"},
    {"42", "1600"}, {"48", "1800"}, {"63", "2400"}};
const std::vector<std::pair<QString, QString>> k3212 = {
    {"5", "1200"}, {"0", "1400"}, {"1", "1600"}, {"2", "1800"}, {"3", "2000"}, {"4", "2400"}};
const std::vector<std::pair<QString, QString>> k3205 = {
    {"1", "1"}, {"2", "2"}, {"3", "3"}, {"4", "4"}};

INSTANTIATE_TEST_SUITE_P(
    Sensors, ResolutionListTest,
    ::testing::Values(ResolutionCase{"Sensor3212Model5698", "3212", true, kModel5698},
                      ResolutionCase{"Sensor3212OtherModel", "3212", false, k3212},
                      ResolutionCase{"Sensor3205", "3205", false, k3205},
                      ResolutionCase{"Sensor3205Model5698", "3205", true, k3205},
                      ResolutionCase{"SensorUnknown", "", false, k3205}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
