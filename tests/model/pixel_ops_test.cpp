#include "model/pixel_ops.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <queue>
#include <random>
#include <tuple>

#include "pixel_picture.h"

namespace pixmora::model {
namespace {

using test::Legend;
using test::picture;
using test::Rows;
using test::toRows;

constexpr RGBAColor red{255, 0, 0, 255};
constexpr RGBAColor blue{0, 0, 255, 255};
constexpr RGBAColor clearWhite{255, 255, 255, 0};
constexpr std::int64_t bigValue = std::numeric_limits<std::int64_t>::max();
constexpr std::int64_t smallValue = std::numeric_limits<std::int64_t>::min();

// '.' transparent, '#' black, 'r' red, 'b' blue, 'w' white with alpha 0.
const Legend legend{{'.', kTransparent}, {'#', kOpaqueBlack}, {'r', red}, {'b', blue},
                    {'w', clearWhite}};

Rows plot(const PointList& points, std::int64_t w, std::int64_t h)
{
    Rows rows(static_cast<std::size_t>(h), std::string(static_cast<std::size_t>(w), '.'));
    for (const PixelPoint& p : points) {
        EXPECT_TRUE(p.x >= 0 && p.y >= 0 && p.x < w && p.y < h) << p.x << "," << p.y;
        if (p.x >= 0 && p.y >= 0 && p.x < w && p.y < h) {
            char& cell = rows[static_cast<std::size_t>(p.y)][static_cast<std::size_t>(p.x)];
            EXPECT_EQ(cell, '.') << "point listed twice: " << p.x << "," << p.y;
            cell = '#';
        }
    }
    return rows;
}

bool rowMajor(const PixelPoint& a, const PixelPoint& b)
{
    return a.y != b.y ? a.y < b.y : a.x < b.x;
}

TEST(PixelRegions, SetPixelWritesInsideAndIgnoresOutside)
{
    PixelImage image(3, 2);
    setPixel(image, 2, 1, red);
    for (const auto& [x, y] : {std::pair{-1, 0}, {3, 0}, {0, -1}, {0, 2}}) {
        setPixel(image, x, y, blue);
    }
    setPixel(image, bigValue, bigValue, blue);
    EXPECT_EQ(toRows(image, legend), (Rows{"...", "..r"}));
}

TEST(PixelRegions, ExtractRegionCopiesAndPadsWithTransparent)
{
    const PixelImage source = picture({"#r.", "b#r", "rb#"}, legend);
    EXPECT_EQ(toRows(extractRegion(source, 2, 1, 3, 3), legend), (Rows{"r..", "#..", "..."}));
    EXPECT_EQ(toRows(extractRegion(source, -1, -2, 3, 3), legend), (Rows{"...", "...", ".#r"}));
    // Offsets that would overflow a careless sum.
    EXPECT_EQ(toRows(extractRegion(source, bigValue - 1, smallValue, 2, 1), legend),
              (Rows{".."}));
    EXPECT_EQ(extractRegion(source, 0, 0, 0, 2), PixelImage(0, 2));
    EXPECT_EQ(extractRegion(source, 0, 0, -3, 2), PixelImage(0, 2));
}

TEST(PixelRegions, ClearRegionClearsOnlyTheInsidePart)
{
    const auto cleared = [](std::int64_t x, std::int64_t y, std::int64_t w, std::int64_t h) {
        PixelImage image = picture({"###", "###", "###"}, legend);
        clearRegion(image, x, y, w, h);
        return toRows(image, legend);
    };
    EXPECT_EQ(cleared(1, -1, 5, 2), (Rows{"#..", "###", "###"}));
    EXPECT_EQ(cleared(3, 0, 2, 2), (Rows{"###", "###", "###"}));
    EXPECT_EQ(cleared(0, 0, -2, 3), (Rows{"###", "###", "###"}));
    EXPECT_EQ(cleared(1, 1, bigValue, bigValue), (Rows{"###", "#..", "#.."}));
}

TEST(ScaledNearest, SizesAtLeastOneAndNeverReadsAMissingSource)
{
    const PixelImage ab = picture({"rb"}, legend);
    EXPECT_EQ(scaledNearest(ab, 0, 5), PixelImage(1, 5));
    EXPECT_EQ(scaledNearest(ab, 3, -2), PixelImage(3, 1));
    // Nothing to sample in an empty or inconsistent source.
    EXPECT_EQ(scaledNearest(PixelImage(), 3, 2), PixelImage(3, 2));
    EXPECT_EQ(scaledNearest(PixelImage(2, 2, std::vector<RGBAColor>(3, red)), 3, 2),
              PixelImage(3, 2));
}

TEST(ScaledNearest, SamplesEachTargetPixelCentre)
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
                const std::int64_t expected = std::min(width - 1, (2 * x + 1) * width / (2 * target));
                ASSERT_EQ(scaled.at(x, 0).r, expected) << width << " -> " << target << " at " << x;
            }
            const PixelImage column = scaledNearest(
                PixelImage(1, width, std::vector<RGBAColor>(source.pixels)), 1, target);
            ASSERT_EQ(column.pixels, scaled.pixels) << "rows and columns sample alike";
        }
    }
}

TEST(StampImage, OpaqueAndTranslucentPixelsReplaceTransparentOnesDoNot)
{
    PixelImage destination = picture({"####", "####", "####"}, legend);
    stampImage(destination, picture({"r.", "wb"}, legend), 1, 1);
    EXPECT_EQ(toRows(destination, legend), (Rows{"####", "#r##", "##b#"}));

    stampImage(destination, PixelImage(1, 1, {{10, 20, 30, 1}}), 0, 0);
    EXPECT_EQ(destination.at(0, 0), (RGBAColor{10, 20, 30, 1}));
}

TEST(StampImage, ClipsAtEveryEdge)
{
    const PixelImage source = picture({"rrr", "rbr", "rrr"}, legend);
    PixelImage destination(4, 4);
    stampImage(destination, source, -1, -1);
    stampImage(destination, source, 3, 3);
    EXPECT_EQ(toRows(destination, legend), (Rows{"br..", "rr..", "....", "...r"}));
    const PixelImage before = destination;
    using Offset = std::pair<std::int64_t, std::int64_t>;
    for (const auto& [ox, oy] : {Offset{bigValue, 0}, {smallValue, 0}, {0, bigValue}, {-3, 0}}) {
        stampImage(destination, source, ox, oy);
        EXPECT_EQ(toRows(destination, legend), toRows(before, legend)) << ox << "," << oy;
    }
}

TEST(FloodFill, StopsAtDiagonalGapsAndAtAnyDifferentComponent)
{
    PixelImage image = picture({".#.", "#.w", "w.."}, legend);
    floodFill(image, 1, 1, red);
    EXPECT_EQ(toRows(image, legend), (Rows{".#.", "#rw", "wrr"}));

    PixelImage nearlyBlack = picture({"##"}, legend);
    nearlyBlack.at(1, 0) = {0, 0, 1, 255};
    floodFill(nearlyBlack, 0, 0, red);
    EXPECT_EQ(nearlyBlack.at(1, 0), (RGBAColor{0, 0, 1, 255}));
}

TEST(FloodFill, AgreesWithBreadthFirstSearchOnRandomImages)
{
    std::mt19937 random(7);
    const auto roll = [&](int n) { return static_cast<std::int64_t>(random() % n); };
    const RGBAColor colours[] = {kTransparent, kTransparent, kOpaqueBlack, clearWhite, red};
    for (int round = 0; round < 300; ++round) {
        const std::int64_t w = 1 + roll(12);
        const std::int64_t h = 1 + roll(12);
        PixelImage image(w, h);
        for (RGBAColor& p : image.pixels) {
            p = colours[roll(5)];
        }
        const std::int64_t sx = roll(static_cast<int>(w) + 2) - 1;
        const std::int64_t sy = roll(static_cast<int>(h) + 2) - 1;
        std::optional<PixelRect> bounds;
        if (round % 2 == 1) {
            bounds = PixelRect{roll(4) - 1, roll(4) - 1, roll(10), roll(10)};
        }
        auto inside = [&](std::int64_t x, std::int64_t y) {
            return image.contains(x, y) && (!bounds || bounds->contains(x, y));
        };

        // A seed already red leaves the image as it is.
        PixelImage expected = image;
        if (inside(sx, sy) && image.at(sx, sy) != red) {
            const RGBAColor target = image.at(sx, sy);
            std::queue<PixelPoint> queue;
            queue.push({sx, sy});
            expected.at(sx, sy) = red;
            while (!queue.empty()) {
                const PixelPoint p = queue.front();
                queue.pop();
                for (const auto& [dx, dy] : {std::pair{1, 0}, {-1, 0}, {0, 1}, {0, -1}}) {
                    const std::int64_t nx = p.x + dx;
                    const std::int64_t ny = p.y + dy;
                    if (inside(nx, ny) && expected.at(nx, ny) == target) {
                        expected.at(nx, ny) = red;
                        queue.push({nx, ny});
                    }
                }
            }
        }
        floodFill(image, sx, sy, red, bounds);
        ASSERT_EQ(toRows(image, legend), toRows(expected, legend)) << "round " << round;
    }
}

TEST(FloodFill, FillsAHugeUniformImageWithoutRecursion)
{
    PixelImage image(4096, 4096);
    floodFill(image, 2048, 2048, red);
    EXPECT_EQ(std::count(image.pixels.begin(), image.pixels.end(), red),
              static_cast<std::ptrdiff_t>(image.pixels.size()));
}

TEST(LinePoints, FollowsBresenhamFromStartToEnd)
{
    EXPECT_EQ(linePoints(5, 2, 0, 0), (PointList{{5, 2}, {4, 2}, {3, 1}, {2, 1}, {1, 0}, {0, 0}}));
    EXPECT_EQ(linePoints(0, 0, 2, 5), (PointList{{0, 0}, {0, 1}, {1, 2}, {1, 3}, {2, 4}, {2, 5}}));
    EXPECT_EQ(linePoints(0, 0, 0, 3), (PointList{{0, 0}, {0, 1}, {0, 2}, {0, 3}}));
    EXPECT_EQ(linePoints(4, -7, 4, -7), (PointList{{4, -7}}));
}

TEST(LinePoints, EveryOctantGivesAConnectedLineWithOnePointPerMajorStep)
{
    for (std::int64_t x1 = -7; x1 <= 7; ++x1) {
        for (std::int64_t y1 = -7; y1 <= 7; ++y1) {
            const PointList points = linePoints(1, -1, x1, y1);
            const std::int64_t dx = std::abs(x1 - 1);
            const std::int64_t dy = std::abs(y1 + 1);
            ASSERT_EQ(points.size(), static_cast<std::size_t>(std::max(dx, dy) + 1));
            EXPECT_EQ(points.front(), (PixelPoint{1, -1}));
            EXPECT_EQ(points.back(), (PixelPoint{x1, y1}));
            for (std::size_t i = 1; i < points.size(); ++i) {
                const std::int64_t stepX = std::abs(points[i].x - points[i - 1].x);
                const std::int64_t stepY = std::abs(points[i].y - points[i - 1].y);
                ASSERT_EQ(dx >= dy ? stepX : stepY, 1) << "to " << x1 << "," << y1;
                ASSERT_LE(dx >= dy ? stepY : stepX, 1) << "to " << x1 << "," << y1;
            }
        }
    }
}

TEST(RectanglePoints, FilledAndOutlineRowByRowAndThinBoxesAlike)
{
    const PointList filled = rectanglePoints(1, 0, 4, 3, true);
    EXPECT_EQ(plot(filled, 6, 5), (Rows{".####.", ".####.", ".####.", ".####.", "......"}));
    EXPECT_TRUE(std::is_sorted(filled.begin(), filled.end(), rowMajor));

    const PointList outline = rectanglePoints(1, 0, 4, 3, false);
    EXPECT_EQ(plot(outline, 6, 5), (Rows{".####.", ".#..#.", ".#..#.", ".####.", "......"}));
    EXPECT_TRUE(std::is_sorted(outline.begin(), outline.end(), rowMajor));

    for (const auto& [minX, minY, maxX, maxY] : {std::tuple{2, 1, 2, 4}, {0, 3, 5, 3}}) {
        const PointList filled = rectanglePoints(minX, minY, maxX, maxY, true);
        EXPECT_EQ(filled, rectanglePoints(minX, minY, maxX, maxY, false));
        EXPECT_EQ(filled.size(), static_cast<std::size_t>((maxX - minX + 1) * (maxY - minY + 1)));
    }
    EXPECT_TRUE(rectanglePoints(3, 0, 2, 0, true).empty());
}

TEST(EllipsePoints, SmallAndDegenerateBoxes)
{
    EXPECT_EQ(plot(ellipsePoints(0, 0, 4, 4, true), 4, 4), (Rows{".##.", "####", "####", ".##."}));
    EXPECT_EQ(plot(ellipsePoints(0, 0, 4, 4, false), 4, 4), (Rows{".##.", "#..#", "#..#", ".##."}));
    EXPECT_EQ(plot(ellipsePoints(0, 0, 8, 8, false), 8, 8),
              (Rows{"..####..", ".#....#.", "#......#", "#......#", "#......#", "#......#",
                    ".#....#.", "..####.."}));
    EXPECT_EQ(plot(ellipsePoints(1, 1, 6, 3, true), 8, 5),
              (Rows{"........", "..####..", ".######.", "..####..", "........"}));

    EXPECT_EQ(ellipsePoints(3, 2, 1, 4, false), (PointList{{3, 2}, {3, 3}, {3, 4}, {3, 5}}));
    EXPECT_EQ(ellipsePoints(3, 2, 1, 4, true), ellipsePoints(3, 2, 1, 4, false));
    EXPECT_TRUE(ellipsePoints(0, 0, 5, 0, true).empty());
    EXPECT_TRUE(ellipsePoints(0, 0, -2, 5, true).empty());
}

TEST(EllipsePoints, OutlineIsTheFilledSetsBorderInTheSameOrder)
{
    for (std::int64_t w = 1; w <= 12; ++w) {
        for (std::int64_t h = 1; h <= 12; ++h) {
            const PointList filled = ellipsePoints(-3, 5, w, h, true);
            const PointList outline = ellipsePoints(-3, 5, w, h, false);
            ASSERT_TRUE(std::is_sorted(filled.begin(), filled.end(), rowMajor));
            ASSERT_TRUE(std::includes(filled.begin(), filled.end(), outline.begin(), outline.end(),
                                      rowMajor));
            for (const PixelPoint& p : filled) {
                const PixelPoint mirrored{-3 + (w - 1) - (p.x + 3), 5 + (h - 1) - (p.y - 5)};
                ASSERT_NE(std::find(filled.begin(), filled.end(), mirrored), filled.end());
            }
        }
    }
}

TEST(ComponentToByte, RoundsHalvesAwayFromZeroAndClamps)
{
    EXPECT_EQ(componentToByte(0.5), 128);  // 127.5
    EXPECT_EQ(componentToByte(1.49 / 255.0), 1);
    EXPECT_EQ(componentToByte(-0.2), 0);
    EXPECT_EQ(componentToByte(1.7), 255);
    EXPECT_EQ(componentToByte(std::nan("")), 0);
    for (int v = 0; v <= 255; ++v) {
        ASSERT_EQ(componentToByte(v / 255.0), v);
    }
}

}  // namespace
}  // namespace pixmora::model
