#include "convert/nearest_color_finder.h"

#include <random>

#include <gtest/gtest.h>

#include "model/color_mode.h"
#include "pixel_picture.h"

namespace pixmora::convert {
namespace {

using model::ColorMode;
using model::RGBAColor;

// The reference rule, written out: first entry of least squared distance.
std::size_t linearScan(int r, int g, int b, const std::vector<RGBAColor>& palette)
{
    std::size_t best = 0;
    long bestDistance = -1;
    for (std::size_t i = 0; i < palette.size(); ++i) {
        const long dr = r - palette[i].r;
        const long dg = g - palette[i].g;
        const long db = b - palette[i].b;
        const long distance = dr * dr + dg * dg + db * db;
        if (bestDistance < 0 || distance < bestDistance) {
            bestDistance = distance;
            best = i;
        }
    }
    return best;
}

void expectAgreesWithLinearScan(const std::vector<RGBAColor>& palette, int r, int g, int b,
                                NearestColorFinder& finder)
{
    const std::size_t expected = linearScan(r, g, b, palette);
    ASSERT_EQ(finder.index(r, g, b), expected) << r << ", " << g << ", " << b;
}

class EveryPalette : public ::testing::TestWithParam<ColorMode> {};

TEST_P(EveryPalette, RandomColoursMatchTheLinearScan)
{
    const auto& palette = model::palette(GetParam());
    NearestColorFinder finder(palette);
    std::mt19937 random(12345);
    std::uniform_int_distribution<int> byte(0, 255);
    for (int i = 0; i < 200000; ++i) {
        const int r = byte(random);
        const int g = byte(random);
        const int b = byte(random);
        expectAgreesWithLinearScan(palette, r, g, b, finder);
        expectAgreesWithLinearScan(palette, r, g, b, finder);  // the repeat is answered from memory
    }
}

TEST_P(EveryPalette, ColoursNearLevelsAndMidpointsMatchTheLinearScan)
{
    // Ties sit on midpoints between entries; grid cell borders lie on multiples of 16.
    std::vector<int> values;
    for (int level : {0, 51, 102, 128, 153, 160, 164, 192, 202, 204, 220, 240, 251, 255}) {
        for (int d = -2; d <= 2; ++d) {
            values.push_back(std::clamp(level + d, 0, 255));
        }
    }
    for (int m : {25, 26, 64, 76, 77, 96, 127, 128, 178, 229, 230}) {
        values.push_back(m);
    }
    for (int edge = 15; edge < 256; edge += 16) {
        values.push_back(edge);
    }
    const auto& palette = model::palette(GetParam());
    NearestColorFinder finder(palette);
    for (int r : values) {
        for (int g : values) {
            for (int b : values) {
                expectAgreesWithLinearScan(palette, r, g, b, finder);
            }
        }
    }
}

TEST_P(EveryPalette, CoarseSweepMatchesTheModelRule)
{
    const auto& palette = model::palette(GetParam());
    NearestColorFinder finder(palette);
    for (int r = 0; r < 256; r += 3) {
        for (int g = 1; g < 256; g += 3) {
            for (int b = 2; b < 256; b += 3) {
                ASSERT_EQ(finder.index(r, g, b), model::nearestPaletteIndex(r, g, b, palette))
                    << r << ", " << g << ", " << b;
            }
        }
    }
}

TEST_P(EveryPalette, EachEntryFindsItsFirstOccurrence)
{
    const auto& palette = model::palette(GetParam());
    NearestColorFinder finder(palette);
    for (std::size_t i = 0; i < palette.size(); ++i) {
        const RGBAColor& p = palette[i];
        const auto first = static_cast<std::size_t>(
            std::find(palette.begin(), palette.end(), p) - palette.begin());
        EXPECT_EQ(finder.index(p.r, p.g, p.b), first) << "entry " << i;
        EXPECT_EQ(finder.color(p.r, p.g, p.b), p);
    }
}

INSTANTIATE_TEST_SUITE_P(AllModes, EveryPalette, ::testing::ValuesIn(model::allColorModes),
                         [](const auto& info) { return std::string(model::rawValue(info.param)); });

TEST(NearestColorFinder, KnownTies)
{
    const auto& web = model::palette(ColorMode::webSafe256);
    NearestColorFinder webFinder(web);
    EXPECT_EQ(webFinder.index(255, 0, 0), 180u) << "not the later duplicate 229";
    EXPECT_EQ(webFinder.index(0, 0, 0), 0u) << "not 216";
    EXPECT_EQ(webFinder.index(255, 255, 255), 215u) << "not 235";
    EXPECT_EQ(webFinder.index(0xC0, 0xDC, 0xC0), 224u);
    EXPECT_EQ(webFinder.index(0xC1, 0xDC, 0xC0), 224u);

    const auto& sixteen = model::palette(ColorMode::sixteenColor);
    NearestColorFinder sixteenFinder(sixteen);
    EXPECT_EQ(sixteenFinder.index(64, 0, 0), 0u) << "4096 from both 000000 and 800000";
    EXPECT_EQ(sixteenFinder.color(200, 200, 200), test::hex(0xC0C0C0));
    EXPECT_EQ(sixteenFinder.color(100, 100, 100), test::hex(0x808080));
}

TEST(NearestColorFinder, ValuesOutsideTheChannelRangeStillFollowTheRule)
{
    const auto& palette = model::palette(ColorMode::webSafe256);
    NearestColorFinder finder(palette);
    for (const auto& [r, g, b] : std::vector<std::array<int, 3>>{
             {286, 31, 31}, {-32, 0, 300}, {255, 256, 255}, {-1, -1, -1}, {1000, 128, 64}}) {
        expectAgreesWithLinearScan(palette, r, g, b, finder);
    }
}

TEST(NearestColorFinder, ArbitraryPalettesWithDuplicatesAndClusters)
{
    std::mt19937 random(99);
    std::uniform_int_distribution<int> byte(0, 255);
    std::uniform_int_distribution<int> near(-6, 6);
    for (int round = 0; round < 20; ++round) {
        std::vector<RGBAColor> palette;
        const int size = 1 + round * 7;
        for (int i = 0; i < size; ++i) {
            if (!palette.empty() && i % 4 == 0) {
                palette.push_back(palette[static_cast<std::size_t>(byte(random)) % palette.size()]);
            } else if (!palette.empty() && i % 4 == 1) {
                const RGBAColor base = palette.back();
                palette.push_back({static_cast<std::uint8_t>(std::clamp(base.r + near(random), 0, 255)),
                                   static_cast<std::uint8_t>(std::clamp(base.g + near(random), 0, 255)),
                                   static_cast<std::uint8_t>(std::clamp(base.b + near(random), 0, 255)),
                                   255});
            } else {
                palette.push_back({static_cast<std::uint8_t>(byte(random)),
                                   static_cast<std::uint8_t>(byte(random)),
                                   static_cast<std::uint8_t>(byte(random)), 255});
            }
        }
        NearestColorFinder finder(palette);
        for (int i = 0; i < 20000; ++i) {
            expectAgreesWithLinearScan(palette, byte(random), byte(random), byte(random), finder);
        }
    }
}

}  // namespace
}  // namespace pixmora::convert
