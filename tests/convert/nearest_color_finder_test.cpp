#include "convert/nearest_color_finder.h"

#include <algorithm>
#include <random>

#include <gtest/gtest.h>

#include "model/color_mode.h"

namespace pixmora::convert {
namespace {

using model::ColorMode;
using model::RGBAColor;

// The reference rule, written out: first entry of least squared distance.
std::size_t linearScan(int r, int g, int b, const std::vector<RGBAColor>& palette)
{
    const auto distance = [&](const RGBAColor& p) {
        return (r - p.r) * (r - p.r) + (g - p.g) * (g - p.g) + (b - p.b) * (b - p.b);
    };
    const auto nearer = [&](const RGBAColor& x, const RGBAColor& y) {
        return distance(x) < distance(y);
    };
    return static_cast<std::size_t>(
        std::min_element(palette.begin(), palette.end(), nearer) - palette.begin());
}

void expectAgreesWithLinearScan(const std::vector<RGBAColor>& palette, int r, int g, int b,
                                NearestColorFinder& finder)
{
    ASSERT_EQ(finder.index(r, g, b), linearScan(r, g, b, palette)) << r << ", " << g << ", " << b;
}

class EveryPalette : public ::testing::TestWithParam<ColorMode> {};

TEST_P(EveryPalette, ColoursNearLevelsMidpointsAndOutsideMatchTheLinearScan)
{
    // Every entry's levels (so each entry finds its first copy), ties on midpoints between
    // entries, grid cell borders on multiples of 16, clamped repeats and values outside 0..255.
    std::vector<int> values;
    for (int level : {0, 51, 102, 128, 153, 160, 164, 192, 202, 204, 220, 240, 251, 255}) {
        for (int d = -2; d <= 2; ++d) {
            values.push_back(std::clamp(level + d, 0, 255));
        }
    }
    for (int m : {25, 26, 64, 76, 77, 96, 127, 128, 178, 229, 230, -32, -1, 256, 286, 1000}) {
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

INSTANTIATE_TEST_SUITE_P(AllModes, EveryPalette, ::testing::ValuesIn(model::allColorModes),
                         [](const auto& info) { return std::string(model::rawValue(info.param)); });

TEST(NearestColorFinder, ArbitraryPalettesWithDuplicatesAndClusters)
{
    std::mt19937 random(99);
    std::uniform_int_distribution<int> byte(0, 255);
    std::uniform_int_distribution<int> near(-6, 6);
    for (int round = 0; round < 10; ++round) {
        std::vector<RGBAColor> palette;
        const int size = 1 + round * 14;
        for (int i = 0; i < size; ++i) {
            if (!palette.empty() && i % 4 == 0) {
                palette.push_back(palette[static_cast<std::size_t>(byte(random)) % palette.size()]);
                continue;
            }
            // Every other entry clusters close to the previous one.
            const bool cluster = !palette.empty() && i % 4 == 1;
            const auto channel = [&](std::uint8_t from) {
                return static_cast<std::uint8_t>(
                    cluster ? std::clamp(from + near(random), 0, 255) : byte(random));
            };
            const RGBAColor from = cluster ? palette.back() : RGBAColor{};
            palette.push_back({channel(from.r), channel(from.g), channel(from.b), 255});
        }
        NearestColorFinder finder(palette);
        for (int i = 0; i < 5000; ++i) {
            expectAgreesWithLinearScan(palette, byte(random), byte(random), byte(random), finder);
        }
    }
}

}  // namespace
}  // namespace pixmora::convert
