#include "canvas_test_support.h"

namespace pixmora::test {
namespace {

class CanvasDrawing : public CanvasFixture {};

TEST_F(CanvasDrawing, RightButtonPaintsTheBackgroundColourWhichStartsTransparent)
{
    setImage({"########", "########", "........", "........",
              "........", "........", "........", "........"});
    click(2, 0, MouseButton::right);
    EXPECT_EQ(documentRows()[0], "##.#####");
    state.setSecondaryColor(kBlue);
    click(3, 1, MouseButton::right);
    EXPECT_EQ(documentRows()[1], "###b####");
    EXPECT_EQ(document.writes, 2);
}

TEST_F(CanvasDrawing, EraserClearsWithEitherButtonWhateverTheColours)
{
    setImage({"rrrrrrrr", "........", "........", "........",
              "........", "........", "........", "........"});
    state.setCurrentColor(kBlue);
    state.setSecondaryColor(kGreen);
    state.setCurrentTool(EditorTool::eraser);
    click(1, 0);
    click(4, 0, MouseButton::right);
    EXPECT_EQ(documentRows()[0], "r.rr.rrr");
}

TEST_F(CanvasDrawing, PointToolsIgnorePressesOutsideTheImage)
{
    canvas.mousePress({-3.0, 5.0}, MouseButton::left, false);
    canvas.mouseDrag({85.0, 5.0}, MouseButton::left, false);
    canvas.mouseRelease({85.0, 5.0}, MouseButton::left, false);
    EXPECT_EQ(document.writes, 0);
}

TEST_F(CanvasDrawing, BucketFillsAgainAtEveryDragSample)
{
    setImage({"...#....", "...#....", "...#....", "########",
              "........", "........", "........", "........"});
    state.setCurrentTool(EditorTool::bucket);
    state.setCurrentColor(kRed);
    stroke({0, 0}, {5, 6});
    EXPECT_EQ(documentRows(), (Rows{"rrr#....", "rrr#....", "rrr#....", "########",
                                    "rrrrrrrr", "rrrrrrrr", "rrrrrrrr", "rrrrrrrr"}));
    EXPECT_EQ(document.writes, 1);
}

TEST_F(CanvasDrawing, ASelectionBoundsPenLineAndBucket)
{
    state.setSelectionRect(PixelRect{2, 2, 3, 3});
    click(1, 1);
    click(5, 3);
    EXPECT_EQ(document.writes, 0);

    state.setCurrentTool(EditorTool::line);
    state.setSelectionRect(PixelRect{2, 2, 3, 3});
    stroke({0, 3}, {7, 3});
    EXPECT_EQ(documentRows()[3], "..###...");

    state.setCurrentTool(EditorTool::bucket);
    state.setSelectionRect(PixelRect{2, 2, 3, 3});
    state.setCurrentColor(kRed);
    click(2, 2);
    // Row 4 lies inside the selection too, but the line cuts it off from the seed.
    EXPECT_EQ(documentRows(), (Rows{"........", "........", "..rrr...", "..###...",
                                    "........", "........", "........", "........"}));
}

TEST_F(CanvasDrawing, RectangleOutlineCoversItsCornersAndKeepsTheInside)
{
    setImage({"........", "........", "........", "........",
              "........", "........", "...bb...", "........"});
    state.setCurrentTool(EditorTool::rectangle);
    stroke({5, 5}, {2, 8});  // the last row is past the edge: clamped to 7
    EXPECT_EQ(documentRows(), (Rows{"........", "........", "........", "........",
                                    "........", "..####..", "..#bb#..", "..####.."}));
}

TEST_F(CanvasDrawing, ShapePreviewIsRebuiltFromTheOriginalAtEverySample)
{
    state.setCurrentTool(EditorTool::rectangle);
    press(0, 0);
    drag(6, 6);
    drag(2, 1);
    EXPECT_EQ(shownRows(), (Rows{"###.....", "###.....", "........", "........",
                                 "........", "........", "........", "........"}));
    EXPECT_EQ(document.writes, 0);
    release(2, 1);
    EXPECT_EQ(document.writes, 1);
}

TEST_F(CanvasDrawing, EllipseFillTakesTheBackgroundAndTheOutlineTheDrawingColour)
{
    state.setCurrentTool(EditorTool::ellipse);
    state.setShapeFillEnabled(true);
    state.setCurrentColor(kRed);
    state.setSecondaryColor(kBlue);
    stroke({0, 0}, {4, 4});
    EXPECT_EQ(documentRows(), (Rows{".rrr....", "rbbbr...", "rbbbr...", "rbbbr...",
                                    ".rrr....", "........", "........", "........"}));

    state.setShapeFillEnabled(false);
    state.setShapeStrokeEnabled(false);
    stroke({0, 0}, {7, 7});
    EXPECT_EQ(document.writes, 1);
}

TEST_F(CanvasDrawing, RightDragDrawsOnlyLinesInTheBackgroundColour)
{
    state.setSecondaryColor(kBlue);
    for (const EditorTool tool : {EditorTool::rectangle, EditorTool::ellipse, EditorTool::select}) {
        state.setCurrentTool(tool);
        stroke({0, 0}, {5, 5}, MouseButton::right);
    }
    EXPECT_EQ(document.writes, 0);
    EXPECT_FALSE(state.selectionRect().has_value());

    state.setCurrentTool(EditorTool::line);
    stroke({0, 0}, {3, 0}, MouseButton::right);
    EXPECT_EQ(documentRows()[0], "bbbb....");
}

TEST_F(CanvasDrawing, ShiftConstrainsTheLineAndAShiftChangeRedrawsAtOnce)
{
    document.current = PixelImage(16, 16);
    state.setCurrentTool(EditorTool::line);
    press(0, 0, MouseButton::left, true);
    drag(10, 6, MouseButton::left, true);
    for (std::int64_t d = 0; d <= 6; ++d) {
        EXPECT_EQ(canvas.displayedImage()->at(d, d), kBlack) << d;
    }
    EXPECT_EQ(canvas.displayedImage()->at(7, 7), kClear);

    // Letting go of Shift without moving draws the free line to (10, 6).
    EXPECT_TRUE(canvas.shiftChanged(false));
    EXPECT_EQ(canvas.displayedImage()->at(10, 6), kBlack);
    EXPECT_EQ(canvas.displayedImage()->at(6, 6), kClear);
    release(10, 6);
    EXPECT_EQ(document.writes, 1);
    EXPECT_FALSE(canvas.shiftChanged(true));
}

TEST_F(CanvasDrawing, ShiftSquareMayReachPastTheImageAndIsPaintedWhereItLies)
{
    state.setCurrentTool(EditorTool::rectangle);
    stroke({6, 6}, {7, 1}, MouseButton::left, true);  // the box (6, 1) to (11, 6)
    EXPECT_EQ(documentRows(), (Rows{"........", "......##", "......#.", "......#.",
                                    "......#.", "......#.", "......##", "........"}));
}

TEST_F(CanvasDrawing, EscapeDuringAShapeDragRestoresAndTheReleaseWritesNothing)
{
    state.setCurrentTool(EditorTool::rectangle);
    state.setSelectionRect(PixelRect{0, 0, 8, 8});
    press(1, 1);
    drag(5, 5);
    EXPECT_TRUE(canvas.keyPress(CanvasKey::cancel));
    EXPECT_EQ(shownRows(), toRows(PixelImage(8, 8), legend));
    // The drag, not the selection, took the Escape.
    EXPECT_EQ(state.selectionRect(), (PixelRect{0, 0, 8, 8}));
    drag(6, 6);
    release(6, 6);
    EXPECT_EQ(document.writes, 0);
}

}  // namespace
}  // namespace pixmora::test
