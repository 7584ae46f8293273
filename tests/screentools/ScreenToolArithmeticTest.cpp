// The lens's place and source area, and the setting texts of both tools.
#include "screentools/LensGeometry.h"
#include "screentools/ScreenToolTexts.h"

#include <gtest/gtest.h>

namespace {

struct OriginCase {
    float zoom;
    int frame;
    int caption;
    QPoint cursor;
    QPoint origin;
};

// Worked by hand: every quotient is truncated on its own (3 / 2 = 1 and 23 / 2 = 11 are added
// separately, never trunc(26 / 2)).
const OriginCase kOrigins[] = {
    {1.5f, 0, 0, {1000, 500}, {900, 440}},
    {2.0f, 0, 0, {1000, 500}, {925, 455}},
    {2.5f, 0, 0, {1000, 500}, {940, 464}},
    {3.0f, 0, 0, {1000, 500}, {950, 470}},
    {4.0f, 0, 0, {1000, 500}, {963, 478}},
    {1.5f, 3, 23, {1000, 500}, {902, 457}},
    {2.0f, 3, 23, {1000, 500}, {926, 467}},
    {2.5f, 3, 23, {1000, 500}, {941, 474}},
    {3.0f, 3, 23, {1000, 500}, {951, 478}},
    {4.0f, 3, 23, {1000, 500}, {963, 483}},
    // Near the screen's corner the origin leaves the screen; nothing clamps it.
    {4.0f, 0, 0, {10, 5}, {-27, -17}},
    {2.0f, 3, 23, {0, 0}, {-74, -33}},
};

class SourceOriginTest : public ::testing::TestWithParam<OriginCase> {};

TEST_P(SourceOriginTest, TruncatesEachQuotientSeparately) {
    const OriginCase& c = GetParam();
    EXPECT_EQ(lens::SourceOrigin(c.cursor, c.zoom, c.frame, c.caption), c.origin)
        << "zoom " << c.zoom << " F " << c.frame << " C " << c.caption;
}

INSTANTIATE_TEST_SUITE_P(Table, SourceOriginTest, ::testing::ValuesIn(kOrigins));

TEST(LensPlaceTest, WindowIsCentredOnThePointerAndAreaIsTheLensOverTheZoom) {
    EXPECT_EQ(lens::WindowRect({1000, 500}), QRect(850, 410, 300, 180));
    EXPECT_EQ(lens::WindowRect({0, 0}), QRect(-150, -90, 300, 180));
    const QRectF area = lens::SourceArea({1000, 500}, 4.0f);
    EXPECT_EQ(area.topLeft(), QPointF(963, 478));
    EXPECT_DOUBLE_EQ(area.width(), 75.0);
    EXPECT_DOUBLE_EQ(area.height(), 45.0);
    const QRectF wide = lens::SourceArea({1000, 500}, 1.5f);
    EXPECT_DOUBLE_EQ(wide.width(), 200.0);
    EXPECT_DOUBLE_EQ(wide.height(), 120.0);
}

struct ZoomCase {
    const char* text;
    std::optional<float> zoom;
};

const ZoomCase kZooms[] = {
    {"2.0f", 2.0f},        {"3", 3.0f},           {"1.5", 1.5f},         {"4", 4.0f},
    {" 2.5", 2.5f},        {"1", 1.0f},           {"16", 16.0f},         {"0", std::nullopt},
    {"-2", std::nullopt},  {"abc", std::nullopt}, {"1e9", std::nullopt}, {"nan", std::nullopt},
    {"inf", std::nullopt}, {"", std::nullopt},    {"0.5", std::nullopt}, {"16.5", std::nullopt},
    {"f2", std::nullopt},
};

class ZoomTextTest : public ::testing::TestWithParam<ZoomCase> {};

TEST_P(ZoomTextTest, ReadsLikeStrtofAndRefusesWhatCannotMagnify) {
    const ZoomCase& c = GetParam();
    EXPECT_EQ(screentexts::ParseZoomText(QString::fromUtf8(c.text)), c.zoom) << c.text;
}

INSTANTIATE_TEST_SUITE_P(Table, ZoomTextTest, ::testing::ValuesIn(kZooms));

} // namespace
