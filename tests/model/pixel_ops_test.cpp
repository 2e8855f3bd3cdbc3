#include "model/pixel_ops.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>

#include "pixel_picture.h"

namespace pixmora::model {
namespace {

using test::picture;
using test::Rows;
using test::toRows;

constexpr RGBAColor red{255, 0, 0, 255};
constexpr RGBAColor clearWhite{255, 255, 255, 0};
constexpr std::int64_t bigValue = std::numeric_limits<std::int64_t>::max();

const test::Legend legend{{'.', kTransparent}, {'#', kOpaqueBlack}, {'r', red},
                    {'b', {0, 0, 255, 255}}, {'w', clearWhite}};

// Offsets that would overflow a careless sum; alpha 1 is stamped, only alpha 0 skipped.
TEST(PixelRegions, ExtractClearAndStampClipHugeOffsetsToTheImage)
{
    PixelImage image = picture({"#r.", "b#r"}, legend);
    EXPECT_EQ(extractRegion(image, bigValue - 1, -bigValue - 1, 2, 1), PixelImage(2, 1));
    clearRegion(image, 2, 1, bigValue, bigValue);
    stampImage(image, picture({"b"}, legend), bigValue, 0);
    stampImage(image, picture({"#r"}, legend), -1, 1);
    stampImage(image, picture({"w"}, legend), 0, 0);
    stampImage(image, PixelImage(1, 1, {{10, 20, 30, 1}}), 1, 1);
    EXPECT_EQ(toRows(image, legend), (Rows{"#r.", "r?."}));
}

TEST(ScaledNearest, SamplesEachTargetPixelCentreAndNeverReadsAMissingSource)
{
    // Exact rational oracle: column floor((2x + 1) * width / (2 W)).
    for (std::int64_t width = 1; width <= 13; ++width) {
        PixelImage source(width, 1);
        for (std::int64_t x = 0; x < width; ++x) {
            source.at(x, 0) = {static_cast<std::uint8_t>(x), 7, 9, 255};
        }
        for (std::int64_t target = 1; target <= 40; ++target) {
            const PixelImage scaled = scaledNearest(source, target, 1);
            for (std::int64_t x = 0; x < target; ++x) {
                const std::int64_t expected = (2 * x + 1) * width / (2 * target);
                ASSERT_EQ(scaled.at(x, 0).r, expected) << width << " -> " << target << " at " << x;
            }
        }
    }
    EXPECT_EQ(scaledNearest(PixelImage(), 3, 2), PixelImage(3, 2));
    EXPECT_EQ(scaledNearest(PixelImage(2, 2, std::vector<RGBAColor>(3, red)), 3, 2),
              PixelImage(3, 2));
}

TEST(FloodFill, AgreesWithAFourWaySearchOnRandomImagesAndFillsAHugeOneWithoutRecursion)
{
    std::mt19937 random(7);
    const auto roll = [&](int n) { return static_cast<std::int64_t>(random() % n); };
    const RGBAColor colours[] = {kTransparent, kTransparent, kOpaqueBlack, clearWhite, red};
    for (int round = 0; round < 200; ++round) {
        PixelImage image(1 + roll(12), 1 + roll(12));
        std::generate(image.pixels.begin(), image.pixels.end(), [&] { return colours[roll(5)]; });
        const std::int64_t sx = roll(static_cast<int>(image.width) + 2) - 1;
        const std::int64_t sy = roll(static_cast<int>(image.height) + 2) - 1;
        PixelImage expected = image;
        const RGBAColor target = image.contains(sx, sy) ? image.at(sx, sy) : red;
        std::vector<PixelPoint> pending{PixelPoint{sx, sy}};
        while (target != red && !pending.empty()) {
            const PixelPoint p = pending.back();
            pending.pop_back();
            if (image.contains(p.x, p.y) && expected.at(p.x, p.y) == target) {
                expected.at(p.x, p.y) = red;
                for (const auto& [dx, dy] : {std::pair{1, 0}, {-1, 0}, {0, 1}, {0, -1}}) {
                    pending.push_back({p.x + dx, p.y + dy});
                }
            }
        }
        floodFill(image, sx, sy, red);
        ASSERT_EQ(toRows(image, legend), toRows(expected, legend)) << "round " << round;
    }
    PixelImage image(4096, 4096);
    floodFill(image, 2048, 2048, red);
    EXPECT_EQ(image, PixelImage(4096, 4096, std::vector<RGBAColor>(4096 * 4096, red)));
}

TEST(ShapePoints, BresenhamLinesAndDegenerateShapesWithoutRepeats)
{
    EXPECT_EQ(linePoints(5, 2, 0, 0), (PointList{{5, 2}, {4, 2}, {3, 1}, {2, 1}, {1, 0}, {0, 0}}));
    EXPECT_TRUE(rectanglePoints(3, 0, 2, 0, true).empty());
    EXPECT_EQ(ellipsePoints(3, 2, 1, 4, false), (PointList{{3, 2}, {3, 3}, {3, 4}, {3, 5}}));
    EXPECT_TRUE(ellipsePoints(0, 0, -2, 5, true).empty());
}

TEST(ComponentToByte, RoundsHalvesAwayFromZeroAndClamps)
{
    EXPECT_EQ(componentToByte(0.5), 128);  // 127.5
    EXPECT_EQ(componentToByte(1.7), 255);
    EXPECT_EQ(componentToByte(std::nan("")), 0);
}

}  // namespace
}  // namespace pixmora::model
