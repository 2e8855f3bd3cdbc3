#include "canvas_test_support.h"

namespace pixmora::test {
namespace {

class CanvasDrawing : public CanvasFixture {};

TEST_F(CanvasDrawing, RightButtonPaintsTheBackgroundColourAndTheEraserClearsWithEither)
{
    setImage(padded({"########", "########"}));
    click(2, 0, MouseButton::right);
    EXPECT_EQ(documentRows()[0], "##.#####");  // the background starts transparent
    state.setCurrentColor(kRed);
    state.setSecondaryColor(kBlue);
    state.setCurrentTool(EditorTool::eraser);
    click(4, 1);
    click(5, 1, MouseButton::right);
    EXPECT_EQ(documentRows()[1], "####..##");
}

TEST_F(CanvasDrawing, TheSelectionAndTheImageBoundPenLineAndBucket)
{
    state.setSelectionRect(PixelRect{2, 2, 3, 3});
    click(1, 1);
    click(5, 3);
    EXPECT_EQ(document.writes, 0);
    state.setCurrentTool(EditorTool::line);
    state.setSelectionRect(PixelRect{2, 2, 3, 3});
    stroke({0, 3}, {7, 3});
    state.setCurrentTool(EditorTool::bucket);
    state.setSelectionRect(PixelRect{2, 2, 3, 3});
    state.setCurrentColor(kRed);
    click(2, 2);
    // Row 4 lies inside the selection too, but the line cuts it off from the seed.
    EXPECT_EQ(documentRows(), padded({"........", "........", "..rrr...", "..###..."}));
}

TEST_F(CanvasDrawing, RectangleOutlineCoversItsCornersAndKeepsTheInside)
{
    setImage(padded({"........", "........", "........", "........",
                     "........", "........", "...bb..."}));
    state.setCurrentTool(EditorTool::rectangle);
    stroke({5, 5}, {2, 8});  // the last row is past the edge: clamped to 7
    EXPECT_EQ(documentRows(), (Rows{"........", "........", "........", "........",
                                    "........", "..####..", "..#bb#..", "..####.."}));
}

TEST_F(CanvasDrawing, ShapePreviewIsRebuiltFromTheOriginalAndEscapeRestoresIt)
{
    state.setCurrentTool(EditorTool::rectangle);
    press(0, 0);
    drag(6, 6);
    drag(2, 1);
    EXPECT_EQ(shownRows(), padded({"###.....", "###....."}));
    release(2, 1);
    press(1, 1);
    drag(5, 5);
    EXPECT_TRUE(canvas.keyPress(CanvasKey::cancel));
    EXPECT_EQ(shownRows(), padded({"###.....", "###....."}));
    drag(6, 6);
    release(6, 6);
    EXPECT_EQ(document.writes, 1);
}

TEST_F(CanvasDrawing, EllipseFillTakesTheBackgroundAndTheOutlineTheDrawingColour)
{
    state.setCurrentTool(EditorTool::ellipse);
    state.setShapeFillEnabled(true);
    state.setCurrentColor(kRed);
    state.setSecondaryColor(kBlue);
    stroke({0, 0}, {4, 4});
    EXPECT_EQ(documentRows(),
              padded({".rrr....", "rbbbr...", "rbbbr...", "rbbbr...", ".rrr...."}));
    state.setShapeFillEnabled(false);
    state.setShapeStrokeEnabled(false);
    stroke({0, 0}, {7, 7});
    EXPECT_EQ(document.writes, 1);
}

TEST_F(CanvasDrawing, RightDragDrawsOnlyLinesInTheBackgroundColour)
{
    state.setSecondaryColor(kBlue);
    for (const EditorTool tool :
         {EditorTool::rectangle, EditorTool::ellipse, EditorTool::select}) {
        state.setCurrentTool(tool);
        stroke({0, 0}, {5, 5}, MouseButton::right);
    }
    EXPECT_FALSE(state.selectionRect().has_value());
    state.setCurrentTool(EditorTool::line);
    stroke({0, 0}, {3, 0}, MouseButton::right);
    EXPECT_EQ(documentRows(), padded({"bbbb...."}));
}

TEST_F(CanvasDrawing, ShiftConstrainsTheLineAndAShiftChangeRedrawsAtOnce)
{
    document.current = PixelImage(16, 16);
    state.setCurrentTool(EditorTool::line);
    press(0, 0, MouseButton::left, true);
    drag(10, 6, MouseButton::left, true);
    EXPECT_EQ(canvas.displayedImage()->at(6, 6), kBlack);
    EXPECT_TRUE(canvas.shiftChanged(false));  // without a move
    EXPECT_EQ(canvas.displayedImage()->at(6, 6), kClear);
}

TEST_F(CanvasDrawing, ShiftSquareMayReachPastTheImageAndIsPaintedWhereItLies)
{
    state.setCurrentTool(EditorTool::rectangle);
    stroke({6, 6}, {7, 1}, MouseButton::left, true);  // the box (6, 1) to (11, 6)
    EXPECT_EQ(documentRows(), (Rows{"........", "......##", "......#.", "......#.",
                                    "......#.", "......#.", "......##", "........"}));
}

}  // namespace
}  // namespace pixmora::test
