#include "canvas_test_support.h"
#include "editor/canvas_geometry.h"

namespace pixmora::test {
namespace {

using CanvasDrawing = CanvasFixture;

const Rows blackBlock = padded({"###.....", "###.....", "###....."});

class CanvasCommands : public CanvasFixture {
protected:
    // The black block lifted with the select tool and moved to (4, 4).
    void floatTheBlock()
    {
        setImage(blackBlock);
        state.setCurrentTool(EditorTool::select);
        state.setSelectionRect(PixelRect{0, 0, 3, 3});
        click(0, 0);
        stroke({1, 1}, {5, 5});
        ASSERT_TRUE(canvas.floatingSelection().has_value());
    }
};

TEST_F(CanvasCommands, DeleteClearsTheSelectionAndCopyPadsPastTheEdge)
{
    setImage(blackBlock);
    state.setSelectionRect(PixelRect{1, 1, 9, 1});
    canvas.copy();
    EXPECT_EQ(clipboard.content, picture({"##......."}, legend));
    state.setSelectionRect(PixelRect{1, 1, 4, 4});
    EXPECT_TRUE(canvas.keyPress(CanvasKey::deleteSelection));
    EXPECT_EQ(documentRows(), padded({"###.....", "#.......", "#......."}));
}

TEST_F(CanvasCommands, CutOrDeleteOfAFloatingSelectionWritesTheHoleInOneStep)
{
    for (const bool cut : {true, false}) {
        floatTheBlock();
        if (cut) {
            canvas.cut();
            EXPECT_EQ(clipboard.content, picture({"###", "###", "###"}, legend));
        } else {
            EXPECT_TRUE(canvas.keyPress(CanvasKey::deleteSelection));
        }
        EXPECT_EQ(documentRows(), padded({}));
        EXPECT_EQ(document.writes, cut ? 1 : 2);
        EXPECT_FALSE(state.selectionRect().has_value());
    }
}

TEST_F(CanvasCommands, OutsideChangeDropsAFloatingSelectionAndAShapeDrag)
{
    floatTheBlock();
    document.changeFromOutside(PixelImage(8, 8));
    EXPECT_FALSE(canvas.floatingSelection().has_value());
    canvas.keyPress(CanvasKey::commit);
    state.setCurrentTool(EditorTool::rectangle);
    press(0, 0);
    drag(4, 4);
    document.changeFromOutside(picture(blackBlock, legend));
    EXPECT_FALSE(canvas.shapeDragState().has_value());
    drag(5, 5);
    release(5, 5);
    EXPECT_EQ(document.writes, 0);
    EXPECT_EQ(document.current, picture(blackBlock, legend));
}

TEST_F(CanvasCommands, APasteSnapsToTheColourModeAndIsCommittedByTheWindowOrTheNextPaste)
{
    canvas.commitPendingFloatingSelection();
    EXPECT_EQ(document.writes, 0);
    canvas.setColorMode(model::ColorMode::webSafe256);
    clipboard.put(PixelImage(2, 1, {{250, 5, 5, 255}, {10, 10, 10, 100}}));
    canvas.paste();
    ASSERT_TRUE(canvas.floatingSelection().has_value());
    // The near red snaps to red; alpha under a half becomes transparent.
    EXPECT_EQ(canvas.floatingSelection()->image.pixels, (std::vector<RGBAColor>{kRed, kClear}));
    canvas.commitPendingFloatingSelection();
    EXPECT_EQ(document.current.at(0, 0), kRed);
    canvas.paste();
    stroke({0, 0}, {4, 4});
    canvas.paste();
    EXPECT_EQ(document.writes, 2);
    EXPECT_EQ(document.current.at(4, 4), kRed);
    // The new paste survives the notice of that write.
    ASSERT_TRUE(canvas.floatingSelection().has_value());
}

// That nothing else acts mid-gesture is the property test's; these are what does.
TEST_F(CanvasCommands, MidGestureOnlyEscapeActsAndOnlyOnWhatIsDragged)
{
    // A paste during a shape drag used to leave the drag behind, so a later Escape
    // lost the pasted image; now it waits, and Escape drops the shape.
    clipboard.put(PixelImage(2, 2, {kRed, kRed, kRed, kRed}));
    state.setCurrentTool(EditorTool::rectangle);
    press(0, 0);
    drag(3, 3);
    canvas.paste();
    EXPECT_FALSE(canvas.floatingSelection().has_value());
    EXPECT_TRUE(canvas.keyPress(CanvasKey::cancel));
    release(3, 3);
    EXPECT_EQ(document.writes, 0);

    // A save during a move ends it; Escape during a move puts the pixels back.
    const Rows saved{"........", "........", "........", "........",
                     "........", ".....###", ".....###", ".....###"};
    for (const bool save : {true, false}) {
        floatTheBlock();
        press(5, 5);
        drag(6, 6);
        save ? canvas.commitPendingFloatingSelection() : (void)canvas.keyPress(CanvasKey::cancel);
        drag(7, 7);
        release(7, 7);
        EXPECT_EQ(state.selectionRect(), (save ? PixelRect{5, 5, 3, 3} : PixelRect{0, 0, 3, 3}));
        EXPECT_EQ(documentRows(), save ? saved : blackBlock);
    }
}

TEST_F(CanvasDrawing, TheSelectionAndTheImageBoundLineAndBucket)
{
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

TEST_F(CanvasDrawing, ShapesOutlineInTheDrawingColourAndFillWithTheBackground)
{
    setImage(padded({"........", "........", "........", "........",
                     "........", "........", "...bb..."}));
    state.setCurrentTool(EditorTool::rectangle);
    stroke({5, 5}, {2, 8});  // the last row is past the edge: clamped to 7
    state.setCurrentTool(EditorTool::ellipse);
    state.setShapeFillEnabled(true);
    state.setCurrentColor(kRed);
    state.setSecondaryColor(kBlue);
    stroke({0, 0}, {4, 4});
    EXPECT_EQ(documentRows(), (Rows{".rrr....", "rbbbr...", "rbbbr...", "rbbbr...",
                                    ".rrr....", "..####..", "..#bb#..", "..####.."}));
}

TEST_F(CanvasCommands, ALiftedSelectionMovesAndCommitsAsOneChangeKeepingWhatClearPixelsCover)
{
    state.setCurrentTool(EditorTool::select);
    setImage(padded({"........", ".rr.....", ".rb.....", "...b...."}));
    stroke({0, 1}, {2, 2});
    click(1, 1);
    ASSERT_TRUE(canvas.floatingSelection().has_value());
    stroke({2, 2}, {5, 4});
    click(0, 7);  // outside: commits
    EXPECT_EQ(document.writes, 1);
    EXPECT_EQ(documentRows(),
              padded({"........", "........", "........", "...brr..", "....rb.."}));
}

TEST(CanvasGeometry, MovesAndResizesStayInsideTheirLimitsAndCornersKeepTheAspect)
{
    using editor::ResizeHandle;
    EXPECT_EQ(editor::movedRect({1, 1, 3, 3}, 100, 0, 8, 8), (PixelRect{5, 1, 3, 3}));
    EXPECT_EQ(editor::movedRect({0, 0, 10, 2}, 3, 2, 8, 8), (PixelRect{0, 2, 10, 2}));
    EXPECT_EQ(editor::resizedRect({2, 2, 4, 4}, ResizeHandle::left, 10, 0),
              (PixelRect{5, 2, 1, 4}));
    EXPECT_EQ(editor::constrainCornerResize({0, 1, 8, 3}, 4, 2, ResizeHandle::topLeft),
              (PixelRect{0, 0, 8, 4}));
    // Height changed more: width = 1.5 x 5 = 7.5, rounded half away from zero.
    EXPECT_EQ(editor::constrainCornerResize({0, 0, 3, 5}, 3, 2, ResizeHandle::bottomLeft),
              (PixelRect{-5, 0, 8, 5}));
}

}  // namespace
}  // namespace pixmora::test
