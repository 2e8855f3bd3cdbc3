#include "canvas_test_support.h"

namespace pixmora::test {
namespace {

const Rows blackBlock = padded({"###.....", "###.....", "###....."});

class CanvasCommands : public CanvasFixture {
protected:
    // The black block lifted with the select tool and moved to (4, 4): a floating selection.
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

TEST_F(CanvasCommands, DeleteClearsTheSelectionOnceAndKeepsItSelected)
{
    setImage(blackBlock);
    EXPECT_TRUE(canvas.keyPress(CanvasKey::deleteSelection));
    EXPECT_EQ(document.writes, 0);
    state.setSelectionRect(PixelRect{1, 1, 4, 4});
    EXPECT_TRUE(canvas.keyPress(CanvasKey::deleteSelection));
    EXPECT_EQ(documentRows(), padded({"###.....", "#.......", "#......."}));
    EXPECT_EQ(state.selectionRect(), (PixelRect{1, 1, 4, 4}));
    canvas.keyPress(CanvasKey::deleteSelection);  // already clear: no second step
    EXPECT_EQ(document.writes, 1);
}

TEST_F(CanvasCommands, CopyPadsPastTheEdgeAndCutClearsInOneStep)
{
    setImage(blackBlock);
    state.setSelectionRect(PixelRect{1, 1, 9, 1});
    canvas.copy();
    EXPECT_EQ(clipboard.content, picture({"##......."}, legend));
    EXPECT_EQ(document.writes, 0);

    state.setSelectionRect(PixelRect{0, 0, 2, 2});
    canvas.cut();
    EXPECT_EQ(toRows(*clipboard.content, legend), (Rows{"##", "##"}));
    EXPECT_EQ(documentRows()[0], "..#.....");
    EXPECT_EQ(document.writes, 1);
}

TEST_F(CanvasCommands, CutOrDeleteOfAFloatingSelectionWritesTheHoleInOneStep)
{
    for (const bool cut : {true, false}) {
        clipboard.content.reset();
        floatTheBlock();
        if (cut) {
            canvas.cut();
            EXPECT_EQ(clipboard.content, picture({"###", "###", "###"}, legend));
        } else {
            EXPECT_TRUE(canvas.keyPress(CanvasKey::deleteSelection));
            EXPECT_FALSE(clipboard.content.has_value());
        }
        EXPECT_EQ(documentRows(), padded({}));
        EXPECT_EQ(document.writes, cut ? 1 : 2);
        EXPECT_FALSE(state.selectionRect().has_value());
        EXPECT_FALSE(canvas.floatingSelection().has_value());
        EXPECT_TRUE(
            std::holds_alternative<editor::selection_drag::None>(canvas.selectionDragState()));
    }
}

TEST_F(CanvasCommands, EditStateFollowsSelectionAndClipboard)
{
    int notices = 0;
    QObject::connect(&canvas, &CanvasController::editStateChanged, [&] { ++notices; });
    EXPECT_FALSE(canvas.canCopy());
    EXPECT_FALSE(canvas.canPaste());
    state.setSelectionRect(PixelRect{0, 0, 1, 1});
    EXPECT_TRUE(canvas.canCopy());
    EXPECT_TRUE(canvas.canCut());
    EXPECT_EQ(notices, 1);
    canvas.paste();  // nothing to paste: tool and selection stay
    EXPECT_EQ(state.currentTool(), EditorTool::pen);
    EXPECT_EQ(state.selectionRect(), (PixelRect{0, 0, 1, 1}));
    clipboard.put(PixelImage(1, 1));
    EXPECT_TRUE(canvas.canPaste());
    EXPECT_EQ(notices, 2);
    state.setSelectionRect(std::nullopt);
    EXPECT_FALSE(canvas.canCut());
    EXPECT_EQ(notices, 3);
}

TEST_F(CanvasCommands, PasteFloatsTheWholeImageClippedRectAtTheTopLeft)
{
    document.current = PixelImage(32, 32);
    state.setSelectionRect(PixelRect{3, 3, 2, 2});
    const PixelImage wide(40, 20, std::vector<RGBAColor>(800, kBlack));
    clipboard.put(wide);
    canvas.paste();
    EXPECT_EQ(state.currentTool(), EditorTool::select);
    EXPECT_EQ(state.selectionRect(), (PixelRect{0, 0, 32, 20}));
    ASSERT_TRUE(canvas.floatingSelection().has_value());
    EXPECT_EQ(canvas.floatingSelection()->rect, (PixelRect{0, 0, 32, 20}));
    EXPECT_FALSE(canvas.floatingSelection()->originalRect.has_value());
    clipboard.content.reset();
    canvas.copy();  // the whole image, not the part inside the canvas
    EXPECT_EQ(clipboard.content, wide);
    EXPECT_EQ(document.writes, 0);
    canvas.keyPress(CanvasKey::commit);
    EXPECT_EQ(document.writes, 1);
    EXPECT_EQ(document.current.at(31, 19), kBlack);
    EXPECT_EQ(document.current.at(0, 20), kClear);
}

TEST_F(CanvasCommands, EscapeOrDeleteAfterPasteLeavesNothing)
{
    for (const CanvasKey key : {CanvasKey::cancel, CanvasKey::deleteSelection}) {
        setImage(blackBlock);
        clipboard.put(PixelImage(2, 2, std::vector<RGBAColor>(4, kRed)));
        canvas.paste();
        canvas.keyPress(key);
        EXPECT_FALSE(state.selectionRect().has_value());
        EXPECT_FALSE(canvas.floatingSelection().has_value());
        EXPECT_EQ(shownRows(), blackBlock);
    }
    EXPECT_EQ(document.writes, 0);
}

TEST_F(CanvasCommands, PasteIntoTwoColourThresholdsOpaqueImagesAndSilhouettesOthers)
{
    canvas.setColorMode(model::ColorMode::twoColor);
    const RGBAColor dark{20, 30, 40, 255};
    const RGBAColor light{220, 230, 240, 255};
    clipboard.put(PixelImage(2, 1, {dark, light}));
    canvas.paste();
    EXPECT_EQ(canvas.floatingSelection()->image.pixels, (std::vector{kBlack, kClear}));
    clipboard.put(
        PixelImage(3, 1, {light, RGBAColor{220, 230, 240, 128}, RGBAColor{20, 30, 40, 127}}));
    canvas.paste();
    EXPECT_EQ(canvas.floatingSelection()->image.pixels, (std::vector{kBlack, kBlack, kClear}));
}

TEST_F(CanvasCommands, OutsideChangeDropsAFloatingSelectionInsteadOfOverwritingIt)
{
    floatTheBlock();
    PixelImage undone(8, 8);
    undone.at(7, 0) = kRed;
    document.changeFromOutside(undone);
    EXPECT_FALSE(canvas.floatingSelection().has_value());
    EXPECT_EQ(state.selectionRect(), (PixelRect{0, 0, 3, 3}));
    EXPECT_EQ(*canvas.displayedImage(), undone);
    // Nothing stale is written later.
    canvas.keyPress(CanvasKey::commit);
    click(7, 7);
    state.setCurrentTool(EditorTool::pen);
    EXPECT_EQ(document.writes, 0);
    EXPECT_EQ(document.current, undone);
}

TEST_F(CanvasCommands, OutsideChangeMakesAPastedImageVanish)
{
    clipboard.put(PixelImage(2, 2, std::vector<RGBAColor>(4, kBlack)));
    canvas.paste();
    document.changeFromOutside(picture(blackBlock, legend));
    EXPECT_FALSE(canvas.floatingSelection().has_value());
    EXPECT_FALSE(state.selectionRect().has_value());
    canvas.commitPendingFloatingSelection();
    EXPECT_EQ(document.writes, 0);
}

TEST_F(CanvasCommands, OutsideChangeCancelsShapeDragsAndStrokes)
{
    state.setCurrentTool(EditorTool::rectangle);
    press(0, 0);
    drag(4, 4);
    const PixelImage outside = picture(blackBlock, legend);
    document.changeFromOutside(outside);
    EXPECT_FALSE(canvas.shapeDragState().has_value());
    EXPECT_EQ(*canvas.displayedImage(), outside);
    EXPECT_FALSE(canvas.shiftChanged(true));
    drag(5, 5);
    release(5, 5);
    state.setCurrentTool(EditorTool::pen);
    state.setCurrentColor(kRed);
    press(7, 7);
    document.changeFromOutside(PixelImage(8, 8));
    drag(6, 7);
    release(6, 7);
    EXPECT_EQ(document.writes, 0);
    EXPECT_EQ(document.current, PixelImage(8, 8));
}

TEST_F(CanvasCommands, APendingFloatingSelectionIsCommittedByTheWindowOrTheNextPaste)
{
    canvas.commitPendingFloatingSelection();
    EXPECT_EQ(document.writes, 0);
    clipboard.put(PixelImage(1, 1, {kRed}));
    canvas.paste();
    canvas.commitPendingFloatingSelection();
    EXPECT_EQ(document.writes, 1);
    EXPECT_EQ(document.current.at(0, 0), kRed);
    EXPECT_FALSE(canvas.floatingSelection().has_value());
    EXPECT_EQ(state.selectionRect(), (PixelRect{0, 0, 1, 1}));
    canvas.paste();
    stroke({0, 0}, {4, 4});
    canvas.paste();
    EXPECT_EQ(document.writes, 2);
    EXPECT_EQ(document.current.at(4, 4), kRed);
    // The new paste survives the notice of that write.
    ASSERT_TRUE(canvas.floatingSelection().has_value());
    EXPECT_EQ(canvas.floatingSelection()->rect, (PixelRect{0, 0, 1, 1}));
}

}  // namespace
}  // namespace pixmora::test
