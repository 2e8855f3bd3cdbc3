#include "editor/canvas_geometry.h"

#include <limits>

#include <gtest/gtest.h>

#include "canvas_test_support.h"

namespace pixmora::editor {
namespace {

using model::PixelPoint;
using model::PixelRect;

TEST(CanvasGeometry, ShiftConstrainsShapeEnds)
{
    const struct {
        EditorTool tool;
        PixelPoint start, end, expected;
    } rows[] = {{EditorTool::line, {0, 0}, {10, 4}, {10, 0}},
                {EditorTool::line, {5, 5}, {1, 8}, {2, 8}},
                {EditorTool::line, {0, 0}, {2, 9}, {0, 9}},
                {EditorTool::line, {0, 0}, {4, 2}, {2, 2}},  // exactly twice: diagonal
                {EditorTool::ellipse, {4, 4}, {1, 2}, {1, 1}},
                {EditorTool::rectangle, {2, 2}, {2, 5}, {5, 5}},  // zero counts as positive
                {EditorTool::pen, {0, 0}, {10, 4}, {10, 4}}};
    for (const auto& r : rows) {
        EXPECT_EQ(constrainShapeEnd(r.tool, r.start, r.end), r.expected)
            << r.end.x << ", " << r.end.y;
    }
}

TEST(CanvasGeometry, PixelUnderAViewPointFloors)
{
    EXPECT_EQ(pixelAtViewPoint({16.0, 31.99}, 16.0), (PixelPoint{1, 1}));
    EXPECT_EQ(pixelAtViewPoint({-0.5, -16.5}, 16.0), (PixelPoint{-1, -2}));
    EXPECT_FALSE(pixelAtViewPoint({1.0, 1.0}, 0.0).has_value());
    EXPECT_FALSE(pixelAtViewPoint({std::numeric_limits<double>::quiet_NaN(), 1.0}, 4.0));
}

TEST(CanvasGeometry, HandleSquaresIncludeLeftAndTopEdgesOnly)
{
    const PixelRect rect{2, 2, 4, 4};  // at s = 16: view (32, 32) to (96, 96)
    EXPECT_EQ(hitTestHandle(rect, {28.0, 28.0}, 16.0), ResizeHandle::topLeft);
    EXPECT_EQ(hitTestHandle(rect, {35.99, 35.99}, 16.0), ResizeHandle::topLeft);
    EXPECT_FALSE(hitTestHandle(rect, {36.0, 32.0}, 16.0).has_value());
    EXPECT_FALSE(hitTestHandle(rect, {27.99, 32.0}, 16.0).has_value());
    EXPECT_EQ(hitTestHandle(rect, {64.0, 97.0}, 16.0), ResizeHandle::bottom);
    EXPECT_FALSE(hitTestHandle(rect, {64.0, 64.0}, 16.0).has_value());
    // The squares keep their size in points at any zoom.
    EXPECT_EQ(hitTestHandle(rect, {2.0 * 40 - 3.5, 2.0 * 40 + 3.5}, 40.0), ResizeHandle::topLeft);
}

TEST(CanvasGeometry, MovesStayInsideTheImageWhereTheyFit)
{
    EXPECT_EQ(movedRect({1, 1, 3, 3}, 100, 0, 8, 8), (PixelRect{5, 1, 3, 3}));
    EXPECT_EQ(movedRect({1, 1, 3, 3}, -100, -100, 8, 8), (PixelRect{0, 0, 3, 3}));
    EXPECT_EQ(movedRect({0, 0, 10, 2}, 3, 2, 8, 8), (PixelRect{0, 2, 10, 2}));
}

TEST(CanvasGeometry, ResizeMovesOnlyTheHandlesEdgesAndNeverCrosses)
{
    EXPECT_EQ(resizedRect({2, 2, 4, 4}, ResizeHandle::left, 10, 0), (PixelRect{5, 2, 1, 4}));
    EXPECT_EQ(resizedRect({2, 2, 4, 4}, ResizeHandle::top, 5, -3), (PixelRect{2, -1, 4, 7}));
    EXPECT_EQ(resizedRect({2, 2, 4, 4}, ResizeHandle::bottomRight, 2, 1),
              (PixelRect{2, 2, 6, 5}));
    EXPECT_EQ(resizedRect({2, 2, 4, 4}, ResizeHandle::topLeft, 10, 10), (PixelRect{5, 5, 1, 1}));
}

TEST(CanvasGeometry, CornerResizeKeepsTheAspectWithTheOppositeCornerFixed)
{
    // (4, 2, 4, 2) dragged at the top-left by (-4, -1): its bottom-right (8, 4) stays.
    EXPECT_EQ(constrainCornerResize({0, 1, 8, 3}, 4, 2, ResizeHandle::topLeft),
              (PixelRect{0, 0, 8, 4}));
    // Equal changes follow the width: 2 / 1.5 rounds to 1; the bottom edge stays.
    EXPECT_EQ(constrainCornerResize({0, 0, 2, 3}, 3, 2, ResizeHandle::topRight),
              (PixelRect{0, 2, 2, 1}));
    // Height changed more: width = 1.5 x 5 = 7.5, rounded half away from zero.
    EXPECT_EQ(constrainCornerResize({0, 0, 3, 5}, 3, 2, ResizeHandle::bottomLeft),
              (PixelRect{-5, 0, 8, 5}));
    EXPECT_EQ(constrainCornerResize({0, 0, 9, 1}, 4, 2, ResizeHandle::left),
              (PixelRect{0, 0, 9, 1}));
}

TEST(CanvasGeometry, MarchingAntsCycleThroughTenPhases)
{
    double phase = 0.0;
    for (int i = 1; i <= 10; ++i) {
        phase = nextMarchingAntsPhase(phase);
        EXPECT_EQ(phase, i < 10 ? -i : 0.0);
    }
}

}  // namespace
}  // namespace pixmora::editor
