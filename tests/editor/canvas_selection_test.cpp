#include "canvas_test_support.h"

namespace pixmora::test {
namespace {

using editor::ResizeHandle;
using editor::handlePoints;

class CanvasSelection : public CanvasFixture {
protected:
    CanvasSelection() { state.setCurrentTool(EditorTool::select); }

    // Presses on a handle of rect, drags by (dx, dy) pixels, releases.
    void dragHandle(const PixelRect& rect, ResizeHandle handle, double dx, double dy,
                    bool shift = false)
    {
        const QPointF from = handlePoints(rect, s)[static_cast<std::size_t>(handle)];
        const QPointF to = from + QPointF(dx * s, dy * s);
        canvas.mousePress(from, MouseButton::left, shift);
        canvas.mouseDrag(to, MouseButton::left, shift);
        canvas.mouseRelease(to, MouseButton::left, shift);
    }
};

TEST_F(CanvasSelection, AClickSelectsOnePixelUntilItIsReleased)
{
    press(3, 3);
    EXPECT_EQ(state.selectionRect(), (PixelRect{3, 3, 1, 1}));
    release(3, 3);
    EXPECT_FALSE(state.selectionRect().has_value());
}

TEST_F(CanvasSelection, DraggingOutSpansBothCornersAndStopsAtTheEdge)
{
    stroke({4, 4}, {1, 6});
    EXPECT_EQ(state.selectionRect(), (PixelRect{1, 4, 4, 3}));
    canvas.keyPress(CanvasKey::cancel);
    press(4, 4);
    canvas.mouseDrag({500.0, 500.0}, MouseButton::left, false);
    canvas.mouseRelease({500.0, 500.0}, MouseButton::left, false);
    EXPECT_EQ(state.selectionRect(), (PixelRect{4, 4, 4, 4}));
    EXPECT_EQ(document.writes, 0);
}

TEST_F(CanvasSelection, OutlineShowsHandlesOnlyOnceTheSelectionIsDraggedOut)
{
    press(1, 1);
    drag(3, 3);
    EXPECT_EQ(canvas.selectionOverlay().outline, (PixelRect{1, 1, 3, 3}));
    EXPECT_FALSE(canvas.selectionOverlay().showHandles);
    release(3, 3);
    EXPECT_TRUE(canvas.selectionOverlay().showHandles);
    EXPECT_TRUE(canvas.needsMarchingAnts());
    EXPECT_EQ(canvas.handleAt(handlePoints(PixelRect{1, 1, 3, 3}, s)[7]),
              ResizeHandle::bottomRight);
    state.setCurrentTool(EditorTool::pen);
    EXPECT_FALSE(canvas.needsMarchingAnts());
}

TEST_F(CanvasSelection, ClickingInsideLiftsAndMovingThenCommittingIsOneChange)
{
    setImage({"........", ".rr.....", ".rb.....", "........",
              "........", "........", "........", "........"});
    stroke({1, 1}, {2, 2});
    click(1, 1);
    ASSERT_TRUE(canvas.floatingSelection().has_value());
    EXPECT_EQ(canvas.floatingSelection()->originalRect, (PixelRect{1, 1, 2, 2}));
    EXPECT_EQ(shownRows()[1], "........");  // the hole, below the floating pixels
    EXPECT_EQ(document.writes, 0);

    stroke({2, 2}, {5, 4});
    EXPECT_EQ(state.selectionRect(), (PixelRect{4, 3, 2, 2}));
    EXPECT_EQ(canvas.floatingSelection()->rect, (PixelRect{4, 3, 2, 2}));
    EXPECT_EQ(document.writes, 0);

    click(0, 7);  // outside: commits
    EXPECT_FALSE(canvas.floatingSelection().has_value());
    EXPECT_EQ(document.writes, 1);
    EXPECT_EQ(documentRows(), (Rows{"........", "........", "........", "....rr..",
                                    "....rb..", "........", "........", "........"}));
}

TEST_F(CanvasSelection, ALiftedTransparentColourComesBackAsPlainTransparent)
{
    document.current.at(0, 0) = RGBAColor{5, 5, 5, 0};
    stroke({0, 0}, {1, 1});
    click(0, 0);
    click(6, 6);
    EXPECT_EQ(document.writes, 1);
    EXPECT_EQ(document.current.at(0, 0), kClear);
}

TEST_F(CanvasSelection, APastedImageWiderThanTheCanvasStaysPinnedAtZero)
{
    clipboard.put(PixelImage(10, 2, std::vector<RGBAColor>(20, kBlack)));
    canvas.paste();
    stroke({1, 0}, {6, 3});
    EXPECT_EQ(canvas.floatingSelection()->rect, (PixelRect{0, 3, 8, 2}));
}

TEST_F(CanvasSelection, ShiftCornerResizeKeepsTheAspectRatio)
{
    document.current = PixelImage(16, 16);
    state.setSelectionRect(PixelRect{2, 2, 4, 2});
    dragHandle({2, 2, 4, 2}, ResizeHandle::bottomRight, 4, 1, true);
    EXPECT_EQ(state.selectionRect(), (PixelRect{2, 2, 8, 4}));
}

TEST_F(CanvasSelection, ResizingScalesFromTheImageTheDragBeganWith)
{
    setImage({"rb......", "........", "........", "........",
              "........", "........", "........", "........"});
    state.setSelectionRect(PixelRect{0, 0, 2, 1});
    const QPointF right = handlePoints({0, 0, 2, 1}, s)[static_cast<std::size_t>(ResizeHandle::right)];
    canvas.mousePress(right, MouseButton::left, false);
    canvas.mouseDrag(right + QPointF(-1 * s, 0), MouseButton::left, false);
    EXPECT_EQ(canvas.floatingSelection()->image.width, 1);
    canvas.mouseDrag(right + QPointF(2 * s, 0), MouseButton::left, false);
    canvas.mouseRelease(right + QPointF(2 * s, 0), MouseButton::left, false);
    EXPECT_EQ(toRows(canvas.floatingSelection()->image, legend), Rows{"rrbb"});
    canvas.keyPress(CanvasKey::commit);
    EXPECT_EQ(documentRows()[0], "rrbb....");
    EXPECT_EQ(document.writes, 1);
}

TEST_F(CanvasSelection, EscapePutsMovedPixelsBackAndRestoresTheSelection)
{
    setImage({"##......", "........", "........", "........",
              "........", "........", "........", "........"});
    stroke({0, 0}, {1, 0});
    stroke({0, 0}, {4, 4});
    EXPECT_EQ(state.selectionRect(), (PixelRect{4, 4, 2, 1}));
    EXPECT_TRUE(canvas.keyPress(CanvasKey::cancel));
    EXPECT_FALSE(canvas.floatingSelection().has_value());
    EXPECT_EQ(state.selectionRect(), (PixelRect{0, 0, 2, 1}));
    EXPECT_EQ(shownRows()[0], "##......");
    EXPECT_EQ(document.writes, 0);
}

TEST_F(CanvasSelection, LeavingTheSelectToolStampsWhereTheSelectionWasMoved)
{
    setImage({"#.......", "........", "........", "........",
              "........", "........", "........", "........"});
    stroke({0, 0}, {0, 0});
    state.setSelectionRect(PixelRect{0, 0, 1, 1});
    stroke({0, 0}, {3, 2});
    state.setCurrentTool(EditorTool::pen);
    EXPECT_FALSE(canvas.floatingSelection().has_value());
    EXPECT_FALSE(state.selectionRect().has_value());
    EXPECT_EQ(document.writes, 1);
    EXPECT_EQ(document.current.at(3, 2), kBlack);
    EXPECT_EQ(document.current.at(0, 0), kClear);
    canvas.syncTool();  // hosts call it again: nothing more happens
    EXPECT_EQ(document.writes, 1);
}

TEST_F(CanvasSelection, TransparentFloatingPixelsDoNotEraseWhatTheyCover)
{
    setImage({"#.......", "........", "........", "........",
              "........", "........", "........", "..bbb...", });
    state.setSelectionRect(PixelRect{0, 0, 3, 1});
    stroke({0, 0}, {2, 7});
    canvas.keyPress(CanvasKey::commit);
    EXPECT_EQ(documentRows()[7], "..#bb...");
    EXPECT_EQ(documentRows()[0], "........");
}

}  // namespace
}  // namespace pixmora::test
