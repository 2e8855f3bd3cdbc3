#include "editor/canvas_geometry.h"

#include <gtest/gtest.h>

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
                {EditorTool::line, {0, 0}, {4, 2}, {2, 2}},  // exactly twice: diagonal
                {EditorTool::ellipse, {4, 4}, {1, 2}, {1, 1}},
                {EditorTool::rectangle, {2, 2}, {2, 5}, {5, 5}},  // zero counts as positive
                {EditorTool::pen, {0, 0}, {10, 4}, {10, 4}}};
    for (const auto& r : rows) {
        EXPECT_EQ(constrainShapeEnd(r.tool, r.start, r.end), r.expected)
            << r.end.x << ", " << r.end.y;
    }
}

TEST(CanvasGeometry, MovesAndResizesStayInsideTheirLimits)
{
    EXPECT_EQ(movedRect({1, 1, 3, 3}, 100, 0, 8, 8), (PixelRect{5, 1, 3, 3}));
    EXPECT_EQ(movedRect({0, 0, 10, 2}, 3, 2, 8, 8), (PixelRect{0, 2, 10, 2}));
    EXPECT_EQ(resizedRect({2, 2, 4, 4}, ResizeHandle::left, 10, 0), (PixelRect{5, 2, 1, 4}));
    EXPECT_EQ(resizedRect({2, 2, 4, 4}, ResizeHandle::topLeft, 10, 10), (PixelRect{5, 5, 1, 1}));
}

TEST(CanvasGeometry, CornerResizeKeepsTheAspectWithTheOppositeCornerFixed)
{
    EXPECT_EQ(constrainCornerResize({0, 1, 8, 3}, 4, 2, ResizeHandle::topLeft),
              (PixelRect{0, 0, 8, 4}));
    // Height changed more: width = 1.5 x 5 = 7.5, rounded half away from zero.
    EXPECT_EQ(constrainCornerResize({0, 0, 3, 5}, 3, 2, ResizeHandle::bottomLeft),
              (PixelRect{-5, 0, 8, 5}));
}

}  // namespace
}  // namespace pixmora::editor
