#include "app/ColourText.h"

#include <gtest/gtest.h>

#include <optional>

namespace {

struct ColourCase {
    const char* name;
    const char* text;
    std::optional<uint32_t> argb;
};

class ColourTextTest : public ::testing::TestWithParam<ColourCase> {};

// Catches colours read past their digits, wrapped around 32 bits, or invented for no digits.
TEST_P(ColourTextTest, LeadingDigitsAreTheColour) {
    EXPECT_EQ(ParseColourText(QString::fromUtf8(GetParam().text)), GetParam().argb);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, ColourTextTest,
    ::testing::Values(
        ColourCase{"Default", "4287800064", 0xFF92A300u}, ColourCase{"Zero", "0", 0u},
        ColourCase{"Largest", "4294967295", 0xFFFFFFFFu},
        ColourCase{"OneAboveLargest", "4294967296", std::nullopt},
        ColourCase{"FarTooLarge", "99999999999", std::nullopt},
        ColourCase{"ManyDigits", "184467440737095516161844674407370955161", std::nullopt},
        ColourCase{"LeadingZeros", "0000000000004278190335", 0xFF0000FFu},
        ColourCase{"DigitsThenText", "4278255360abc", 0xFF00FF00u},
        ColourCase{"DigitsThenBlank", "255 255", 255u}, ColourCase{"Letters", "abc", std::nullopt},
        ColourCase{"Empty", "", std::nullopt}, ColourCase{"LeadingBlank", " 255", std::nullopt},
        ColourCase{"Negative", "-1", std::nullopt}, ColourCase{"Hexadecimal", "0xFF00FF00", 0u},
        ColourCase{"FullWidthDigits", "１２３", std::nullopt},
        ColourCase{"HashHexadecimal", "#FF0000", std::nullopt}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
