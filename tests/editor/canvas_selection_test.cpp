#include "canvas_test_support.h"

namespace pixmora::test {
namespace {

class CanvasSelection : public CanvasFixture {
protected:
    CanvasSelection() { state.setCurrentTool(EditorTool::select); }
};

TEST_F(CanvasSelection, DraggingOutSpansBothCornersAndStopsAtTheEdge)
{
    press(3, 3);  // a click selects one pixel until it is released
    EXPECT_EQ(state.selectionRect(), (PixelRect{3, 3, 1, 1}));
    release(3, 3);
    EXPECT_FALSE(state.selectionRect().has_value());
    stroke({4, 4}, {1, 6});
    EXPECT_EQ(state.selectionRect(), (PixelRect{1, 4, 4, 3}));
    canvas.keyPress(CanvasKey::cancel);
    press(4, 4);
    canvas.mouseDrag({500.0, 500.0}, MouseButton::left, false);
    canvas.mouseRelease({500.0, 500.0}, MouseButton::left, false);
    EXPECT_EQ(state.selectionRect(), (PixelRect{4, 4, 4, 4}));
}

TEST_F(CanvasSelection, ClickingInsideLiftsAndMovingThenCommittingIsOneChange)
{
    setImage(padded({"........", ".rr.....", ".rb....."}));
    stroke({1, 1}, {2, 2});
    click(1, 1);
    ASSERT_TRUE(canvas.floatingSelection().has_value());
    stroke({2, 2}, {5, 4});
    EXPECT_EQ(state.selectionRect(), (PixelRect{4, 3, 2, 2}));
    click(0, 7);  // outside: commits
    EXPECT_EQ(document.writes, 1);
    EXPECT_EQ(documentRows(),
              padded({"........", "........", "........", "....rr..", "....rb.."}));
}

TEST_F(CanvasSelection, ALiftedTransparentColourComesBackAsPlainTransparent)
{
    document.current.at(0, 0) = RGBAColor{5, 5, 5, 0};
    stroke({0, 0}, {1, 1});
    click(0, 0);
    click(6, 6);
    EXPECT_EQ(document.current.at(0, 0), kClear);
}

TEST_F(CanvasSelection, EscapePutsMovedPixelsBackAndRestoresTheSelection)
{
    setImage(padded({"##......"}));
    stroke({0, 0}, {1, 0});
    stroke({0, 0}, {4, 4});
    EXPECT_EQ(state.selectionRect(), (PixelRect{4, 4, 2, 1}));
    EXPECT_TRUE(canvas.keyPress(CanvasKey::cancel));
    EXPECT_EQ(state.selectionRect(), (PixelRect{0, 0, 2, 1}));
    EXPECT_EQ(shownRows(), padded({"##......"}));
}

TEST_F(CanvasSelection, LeavingTheSelectToolStampsWhereTheSelectionWasMoved)
{
    setImage(padded({"#......."}));
    stroke({0, 0}, {0, 0});
    state.setSelectionRect(PixelRect{0, 0, 1, 1});
    stroke({0, 0}, {3, 2});
    state.setCurrentTool(EditorTool::pen);
    EXPECT_FALSE(state.selectionRect().has_value());
    EXPECT_EQ(documentRows(), padded({"........", "........", "...#...."}));
    canvas.syncTool();  // hosts call it again: nothing more happens
    EXPECT_EQ(document.writes, 1);
}

TEST_F(CanvasSelection, TransparentFloatingPixelsDoNotEraseWhatTheyCover)
{
    setImage(padded({"#.......", "........", "........", "........",
                     "........", "........", "........", "..bbb..."}));
    state.setSelectionRect(PixelRect{0, 0, 3, 1});
    stroke({0, 0}, {2, 7});
    canvas.keyPress(CanvasKey::commit);
    EXPECT_EQ(documentRows()[7], "..#bb...");
}

}  // namespace
}  // namespace pixmora::test
