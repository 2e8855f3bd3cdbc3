#include "convert/nearest_color_finder.h"

#include <algorithm>

#include <gtest/gtest.h>

#include "model/color_mode.h"

namespace pixmora::convert {
namespace {

class EveryPalette : public ::testing::TestWithParam<model::ColorMode> {};

// Against the model's linear scan: every entry's levels (each finds its first copy), ties on
// midpoints, grid cell borders on multiples of 16, clamped repeats and values outside 0..255.
TEST_P(EveryPalette, ColoursNearLevelsMidpointsAndOutsideMatchTheLinearScan)
{
    std::vector<int> values{25, 26, 64, 76, 77, 96, 127, 178, 229, 230, -32, -1, 256, 286, 1000,
                            15, 31, 47, 63, 79, 95, 111, 143, 159, 175, 191, 207, 223, 239};
    for (int level : {0, 51, 102, 128, 153, 160, 164, 192, 202, 204, 220, 240, 251, 255}) {
        for (int d = -2; d <= 2; ++d) {
            values.push_back(std::clamp(level + d, 0, 255));
        }
    }
    const auto& palette = model::palette(GetParam());
    NearestColorFinder finder(palette);
    for (int r : values) {
        for (int g : values) {
            for (int b : values) {
                ASSERT_EQ(finder.index(r, g, b), model::nearestPaletteIndex(r, g, b, palette))
                    << r << ", " << g << ", " << b;
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(AllModes, EveryPalette, ::testing::ValuesIn(model::allColorModes),
                         [](const auto& info) { return std::string(model::rawValue(info.param)); });

}  // namespace
}  // namespace pixmora::convert
